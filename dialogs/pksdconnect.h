#pragma once

#include <QDialog>

class QCheckBox;
class QEvent;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// The connection dialog: PKSD host and port, ring size and the keep-selected flag.
class PksdConnect : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(PksdConnect)

public:
    explicit PksdConnect(QWidget* parent = nullptr, const char* name = nullptr, bool modal = false,
                         Qt::WindowFlags fl = {});

    QGroupBox* buttonGroup1 = nullptr;
    QLabel* textLabel1 = nullptr;
    QLineEdit* lineEditHost = nullptr;
    QLabel* textLabel2 = nullptr;
    QLineEdit* lineEditPort = nullptr;
    QLabel* textLabel3 = nullptr;
    QLineEdit* lineEditDTn = nullptr;
    QCheckBox* checkBox1 = nullptr;
    QPushButton* buttonOk = nullptr;
    QPushButton* buttonCancel = nullptr;

public slots:
    virtual void languageChange();

protected:
    void changeEvent(QEvent* event) override;

private:
    QGridLayout* PksdConnectLayout = nullptr;
    QGridLayout* buttonGroup1Layout = nullptr;
    QHBoxLayout* layout4 = nullptr;
    QHBoxLayout* layout5 = nullptr;
    QHBoxLayout* layout6 = nullptr;
    QHBoxLayout* layout7 = nullptr;
};
