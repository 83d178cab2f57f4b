#pragma once

#include <QDialog>
#include <QPixmap>

class QLabel;
class QPushButton;

class AboutH : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(AboutH)

public:
    explicit AboutH(QWidget* parent = nullptr, const char* name = nullptr, bool modal = false,
                    Qt::WindowFlags flags = {});
    ~AboutH() override;

    QPushButton* buttonOk = nullptr;
    QLabel* pixmapLabel5 = nullptr;
    QLabel* textLabel2 = nullptr;

protected slots:
    virtual void languageChange();

private:
    QPixmap image0;
};
