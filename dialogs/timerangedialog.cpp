#include "dialogs/timerangedialog.h"

#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TimeRangeDialog::TimeRangeDialog(QWidget* parent, const char* name, bool modal,
                                 Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
    setObjectName(name && *name ? QString::fromLatin1(name) : QStringLiteral("TimeRangeDialog"));
    setModal(modal);
    setSizeGripEnabled(true);

    buttonCancel = new QPushButton(this);
    buttonCancel->setObjectName(QStringLiteral("buttonCancel"));
    buttonCancel->setGeometry(270, 150, 82, 26);

    buttonOk = new QPushButton(this);
    buttonOk->setObjectName(QStringLiteral("buttonOk"));
    buttonOk->setGeometry(80, 150, 82, 26);
    buttonOk->setDefault(true);

    buttonGroup1 = new QGroupBox(this);
    buttonGroup1->setObjectName(QStringLiteral("buttonGroup1"));
    buttonGroup1->setGeometry(31, 10, 360, 120);

    lineEdit1 = new QLineEdit(buttonGroup1);
    lineEdit1->setObjectName(QStringLiteral("lineEdit1"));
    lineEdit1->setGeometry(179, 21, 160, 20);

    lineEdit2 = new QLineEdit(buttonGroup1);
    lineEdit2->setObjectName(QStringLiteral("lineEdit2"));
    lineEdit2->setGeometry(178, 60, 160, 20);

    textLabel1 = new QLabel(buttonGroup1);
    textLabel1->setObjectName(QStringLiteral("textLabel1"));
    textLabel1->setGeometry(11, 21, 160, 16);

    textLabel2 = new QLabel(buttonGroup1);
    textLabel2->setObjectName(QStringLiteral("textLabel2"));
    textLabel2->setGeometry(10, 60, 160, 16);

    languageChange();
    resize(QSize(422, 202).expandedTo(minimumSizeHint()));

    connect(buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(buttonOk, &QPushButton::clicked, this, &QDialog::accept);

    setTabOrder(buttonOk, buttonCancel);
    setTabOrder(buttonCancel, lineEdit1);
    setTabOrder(lineEdit1, lineEdit2);
}

TimeRangeDialog::~TimeRangeDialog() = default;

void TimeRangeDialog::languageChange()
{
    setWindowTitle(tr("TimeRange"));
    buttonCancel->setText(tr("&Cancel"));
    buttonCancel->setShortcut(QKeySequence(tr("Alt+C")));
    buttonOk->setText(tr("&OK"));
    buttonOk->setShortcut(QKeySequence(tr("Alt+O")));
    buttonGroup1->setTitle(QString());
    lineEdit1->setInputMask(tr("999999999; "));
    lineEdit2->setInputMask(tr("#999999999999999; "));
    textLabel1->setText(tr("Set Time Range  (sec.):"));
    textLabel2->setText(tr("Set Time Shift (sec.):"));
}
