#pragma once

#include <QDialog>
#include <QPixmap>

class QLabel;
class QShowEvent;
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

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The picture at the screen's density, so a dense screen does not blur it.
    void FitPictureToScreen();

    QPixmap image0;
};
