#include "dialogs/pksdconnect.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpacerItem>

namespace {

QHBoxLayout* AddRow(QGridLayout* grid, int row, const char* name, QWidget* left, int spacerWidth,
                    QWidget* right)
{
    auto* layout = new QHBoxLayout();
    layout->setObjectName(QLatin1String(name));
    layout->setSpacing(6);
    layout->addWidget(left);
    layout->addItem(new QSpacerItem(spacerWidth, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    layout->addWidget(right);
    grid->addLayout(layout, row, 0);
    return layout;
}

template <typename Widget> Widget* Named(QWidget* parent, const char* name)
{
    auto* w = new Widget(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

} // namespace

PksdConnect::PksdConnect(QWidget* parent, const char* name, bool modal, Qt::WindowFlags fl)
    : QDialog(parent, fl)
{
    setObjectName(name ? QLatin1String(name) : QLatin1String("PksdConnect"));
    setModal(modal);
    setSizeGripEnabled(true);

    PksdConnectLayout = new QGridLayout(this);
    PksdConnectLayout->setObjectName(QStringLiteral("PksdConnectLayout"));
    PksdConnectLayout->setContentsMargins(11, 11, 11, 11);
    PksdConnectLayout->setSpacing(6);

    buttonGroup1 = Named<QGroupBox>(this, "buttonGroup1");
    buttonGroup1Layout = new QGridLayout(buttonGroup1);
    buttonGroup1Layout->setObjectName(QStringLiteral("buttonGroup1Layout"));
    buttonGroup1Layout->setContentsMargins(11, 11, 11, 11);
    buttonGroup1Layout->setSpacing(6);
    buttonGroup1Layout->setAlignment(Qt::AlignTop);

    textLabel1 = Named<QLabel>(buttonGroup1, "textLabel1");
    lineEditHost = Named<QLineEdit>(buttonGroup1, "lineEditHost");
    layout4 = AddRow(buttonGroup1Layout, 0, "layout4", textLabel1, 121, lineEditHost);

    textLabel2 = Named<QLabel>(buttonGroup1, "textLabel2");
    lineEditPort = Named<QLineEdit>(buttonGroup1, "lineEditPort");
    lineEditPort->setInputMask(QStringLiteral("9999999999; "));
    layout5 = AddRow(buttonGroup1Layout, 1, "layout5", textLabel2, 141, lineEditPort);

    textLabel3 = Named<QLabel>(buttonGroup1, "textLabel3");
    lineEditDTn = Named<QLineEdit>(buttonGroup1, "lineEditDTn");
    lineEditDTn->setInputMask(QStringLiteral("9999999999; "));
    layout6 = AddRow(buttonGroup1Layout, 2, "layout6", textLabel3, 71, lineEditDTn);

    checkBox1 = Named<QCheckBox>(buttonGroup1, "checkBox1");
    buttonGroup1Layout->addWidget(checkBox1, 3, 0);

    PksdConnectLayout->addWidget(buttonGroup1, 0, 0);

    buttonOk = Named<QPushButton>(this, "buttonOk");
    buttonOk->setDefault(true);
    buttonCancel = Named<QPushButton>(this, "buttonCancel");

    layout7 = new QHBoxLayout();
    layout7->setObjectName(QStringLiteral("layout7"));
    layout7->setSpacing(6);
    layout7->addWidget(buttonOk);
    layout7->addItem(new QSpacerItem(131, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    layout7->addWidget(buttonCancel);
    PksdConnectLayout->addLayout(layout7, 1, 0);

    languageChange();
    resize(QSize(517, 239).expandedTo(minimumSizeHint()));

    connect(buttonOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void PksdConnect::languageChange()
{
    setWindowTitle(tr("PksdConnect"));
    buttonGroup1->setTitle(QString());
    textLabel1->setText(tr("Pksd Host:"));
    textLabel2->setText(tr("Pksd Port:"));
    textLabel3->setText(tr("Number of DT packets in mem. Ring:"));
    checkBox1->setText(tr("Keep only selected channels in mem.ring"));
    buttonOk->setText(tr("&OK"));
    buttonOk->setShortcut(QKeySequence(tr("Alt+O")));
    buttonCancel->setText(tr("&Cancel"));
    buttonCancel->setShortcut(QKeySequence(tr("Alt+C")));
}

void PksdConnect::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        languageChange();
    QDialog::changeEvent(event);
}
