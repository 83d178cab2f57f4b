#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TimeRangeDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(TimeRangeDialog)

public:
    explicit TimeRangeDialog(QWidget* parent = nullptr, const char* name = nullptr,
                             bool modal = false, Qt::WindowFlags flags = {});
    ~TimeRangeDialog() override;

    QPushButton* buttonCancel = nullptr;
    QPushButton* buttonOk = nullptr;
    QGroupBox* buttonGroup1 = nullptr;
    QLineEdit* lineEdit1 = nullptr;
    QLineEdit* lineEdit2 = nullptr;
    QLabel* textLabel1 = nullptr;
    QLabel* textLabel2 = nullptr;

protected slots:
    virtual void languageChange();
};
