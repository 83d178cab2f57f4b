#include "dialogs/mydialogselect.h"

#include "dialogs/channelrows.h"

#include <QColor>
#include <QColorDialog>
#include <QHeaderView>
#include <QKeySequence>
#include <QList>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItem>

MyDialogSelect::MyDialogSelect(QWidget* parent, const char* name, bool modal, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
    setObjectName(name && *name ? QString::fromLatin1(name) : QStringLiteral("MyDialogSelect"));
    setModal(modal);
    QFont arial = parent ? parent->font() : font();
    arial.setFamily(QStringLiteral("Arial"));
    setFont(arial);
    setSizeGripEnabled(true);

    buttonRefresh = new QPushButton(this);
    buttonRefresh->setObjectName(QStringLiteral("buttonRefresh"));
    buttonRefresh->setGeometry(20, 300, 93, 26);

    buttonOk = new QPushButton(this);
    buttonOk->setObjectName(QStringLiteral("buttonOk"));
    buttonOk->setGeometry(362, 300, 93, 26);
    buttonOk->setDefault(true);

    buttonCancel = new QPushButton(this);
    buttonCancel->setObjectName(QStringLiteral("buttonCancel"));
    buttonCancel->setGeometry(461, 300, 93, 26);

    pushButton4 = new QPushButton(this);
    pushButton4->setObjectName(QStringLiteral("pushButton4"));
    pushButton4->setGeometry(140, 300, 180, 27);
    pushButton4->setAutoDefault(false);

    listView1 = new QTreeWidget(this);
    listView1->setObjectName(QStringLiteral("listView1"));
    listView1->setGeometry(20, 20, 540, 270);
    listView1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    listView1->setColumnCount(ColumnCount);
    listView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listView1->setRootIsDecorated(true);
    listView1->setSortingEnabled(true);
    listView1->header()->setSortIndicatorShown(true);

    languageChange();
    resize(QSize(576, 347).expandedTo(minimumSizeHint()));

    connect(buttonOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(buttonRefresh, &QPushButton::clicked, this, &MyDialogSelect::Refresh_Button);
    connect(pushButton4, &QPushButton::clicked, this, &MyDialogSelect::ChangeColor);
}

MyDialogSelect::~MyDialogSelect() = default;

void MyDialogSelect::Refresh_Button()
{
    refreshRequested = 1;
    accept();
}

void MyDialogSelect::ChangeColor()
{
    const QColor color = QColorDialog::getColor(Qt::red, this);
    if (!color.isValid())
        return;
    // Collected first: deselecting while walking the selection would change it underfoot.
    const QList<QTreeWidgetItem*> selected = listView1->selectedItems();
    for (QTreeWidgetItem* row : selected) {
        if (!IsChannelRow(row))
            continue;
        SetRowColor(row, color);
        row->setSelected(false);
    }
}

void MyDialogSelect::languageChange()
{
    setWindowTitle(tr("Select Components"));
    buttonRefresh->setText(tr("&Refresh"));
    buttonRefresh->setShortcut(QKeySequence(tr("Alt+R")));
    buttonOk->setText(tr("&OK"));
    buttonOk->setShortcut(QKeySequence(QString()));
    buttonCancel->setText(tr("&Cancel"));
    buttonCancel->setShortcut(QKeySequence(QString()));
    pushButton4->setText(tr("Change Trace Color"));
    QTreeWidgetItem* header = listView1->headerItem();
    header->setText(ColumnDas, tr("Das"));
    header->setText(ColumnStream, tr("Stream"));
    header->setText(ColumnChannel, tr("Channel"));
    header->setText(ColumnRate, tr("Rate"));
    header->setText(ColumnColor, tr("Color"));
}
