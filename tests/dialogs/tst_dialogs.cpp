#include "app/connectioncommands.h"
#include "dialogs/abouth.h"
#include "dialogs/aboutpicture.xpm"
#include "dialogs/channelrows.h"
#include "dialogs/mydialogselect.h"
#include "dialogs/pksdconnect.h"
#include "dialogs/selecttrace.h"
#include "dialogs/settimerange.h"
#include "dialogs/timerangedialog.h"
#include "dialogs/tremvueicon.h"
#include "display/packetwindow.h"
#include "link/connectionstate.h"
#include "link/pksdlink.h"
#include "store/channelcatalogue.h"
#include "store/packetring.h"
#include "tests/common/childprocess.h"
#include "tests/common/formcheck.h"
#include "tests/common/modalscript.h"

#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QSet>
#include <QTcpServer>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <climits>
#include <functional>
#include <tuple>

namespace {

constexpr int kDas = MyDialogSelect::ColumnDas;
constexpr int kColor = MyDialogSelect::ColumnColor;

DasStreamChanInfo Entry(std::uint16_t das, std::uint16_t stream, std::uint16_t channel,
                        double rate = 100, int active = 0, int displayIndex = 0,
                        Rgb color = {255, 0, 0})
{
    DasStreamChanInfo e;
    e.DasId = das;
    e.Stream = stream;
    e.Channel = channel;
    e.SampleRate = rate;
    e.Active = active;
    e.DisplayIndex = displayIndex;
    e.TraceColor = color;
    return e;
}

const auto Selecting = &ModalScript::For<MyDialogSelect>;
const auto Ranging = &ModalScript::For<TimeRangeDialog>;

// Runs the selection on cat and answers the dialogs it opens; true when every step ran.
bool SelectScript(ChannelCatalogue& cat, std::initializer_list<ModalScript::Step> steps,
                  QWidget* parent = nullptr)
{
    ModalScript script(steps);
    SelectTrace(parent, cat);
    return script.Remaining() == 0;
}

bool Select(ChannelCatalogue& cat, const std::function<void(MyDialogSelect*)>& step,
            QWidget* parent = nullptr)
{
    return SelectScript(cat, {Selecting(step)}, parent);
}

// The row with these column texts ("" for a group row's empty columns).
QTreeWidgetItem* Row(QTreeWidget* list, const QString& das, const QString& stream = {},
                     const QString& channel = {})
{
    for (QTreeWidgetItemIterator it(list); *it; ++it) {
        if ((*it)->text(0) == das && (*it)->text(1) == stream && (*it)->text(2) == channel)
            return *it;
    }
    return nullptr;
}

QTreeWidgetItem* ChannelRow(QTreeWidget* list, int das, int stream, int channel)
{
    return Row(list, QString::asprintf("%04X", das), QString::asprintf("%02d", stream),
               QString::asprintf("%02d", channel));
}

// Each entry's selection and display index, as "1:7 0:3".
QString Chosen(const ChannelCatalogue& cat)
{
    QStringList out;
    for (const DasStreamChanInfo& e : cat.Entries)
        out << QStringLiteral("%1:%2").arg(e.Active).arg(e.DisplayIndex);
    return out.join(u' ');
}

QString Colours(const ChannelCatalogue& cat)
{
    QStringList out;
    for (const DasStreamChanInfo& e : cat.Entries)
        out << ColorText(e.TraceColor);
    return out.join(u' ');
}

// Types into a masked field as the operator would: select all, then type over it.
void Type(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    edit->home(false);
    QTest::keyClicks(edit, text);
}

ModalScript::Step Answer(const QString& range, const QString& shift)
{
    return Ranging([range, shift](TimeRangeDialog* d) {
        Type(d->lineEdit1, range);
        Type(d->lineEdit2, shift);
        QTest::mouseClick(d->buttonOk, Qt::LeftButton);
    });
}

// Runs the time range command from range and shift, its dialogs answered by steps: whether it
// took new values, whether every step ran, and the range and shift then in force.
std::tuple<bool, bool, int, int> SetRange(int range, int shift,
                                          std::initializer_list<ModalScript::Step> steps,
                                          QWidget* parent = nullptr)
{
    ModalScript script(steps);
    const bool taken = SetTimeRange(parent, range, shift);
    return {taken, script.Remaining() == 0, range, shift};
}

// Reads what the dialog shows into shown, types typed and presses a button, as the operator:
// host, port, ring size and the keep flag, "|" between.
ModalScript::Step Connecting(QString* shown, const QString& typed, bool ok = true)
{
    return ModalScript::For<PksdConnect>([shown, typed, ok](PksdConnect* d) {
        if (shown)
            *shown = QStringList{d->lineEditHost->text(), d->lineEditPort->text(),
                                 d->lineEditDTn->text(), QString::number(d->checkBox1->isChecked())}
                         .join(u'|');
        const QStringList fields = typed.split(u'|');
        d->lineEditHost->setText(fields[0]);
        d->lineEditPort->setText(fields[1]);
        d->lineEditDTn->setText(fields[2]);
        d->checkBox1->setChecked(fields[3] == u"1");
        QTest::mouseClick(ok ? d->buttonOk : d->buttonCancel, Qt::LeftButton);
    });
}

struct Rig
{
    ConnectionState Conn;
    PacketStore Store;
    ChannelCatalogue Cat;
    QTcpServer Server;
    QWidget Window;
    PksdLink Link{Conn, Store, Cat, nullptr};
    QAction ConnectAction{QStringLiteral("connect")};
    QAction CloseAction{QStringLiteral("close")};
    ConnectActions Actions{&ConnectAction, &CloseAction};

    Rig()
    {
        if (!Server.listen(QHostAddress::LocalHost, 0))
            qFatal("cannot listen on 127.0.0.1: %s", qPrintable(Server.errorString()));
        Store.NringBuffer = 3;
        AllocateRing(Store);
        Store.RingIndex = 2;
        Store.PacketRing[1].SampleCount = 9;
        SetConnectActions(Actions, false);
    }
    // The fields that reach the test server, with this ring size and keep flag.
    QString Here(const char* ringAndKeep) const
    {
        return QStringLiteral("127.0.0.1|%1|").arg(Server.serverPort()) +
               QLatin1String(ringAndKeep);
    }
    bool Open() { return OpenPksd(&Window, Conn, Store, Link, Actions); }
};

} // namespace

class DialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void selectionDialogAsBuiltOpensWithTheStoredSort()
    {
        QWidget parent;
        parent.setFont(QFont(QStringLiteral("Courier"), 13));
        MyDialogSelect frame(&parent);
        CheckForm(frame,
                  {{"buttonRefresh", "MyDialogSelect", {20, 300, 93, 26}, "&Refresh"},
                   {"buttonOk", "MyDialogSelect", {362, 300, 93, 26}, "&OK"},
                   {"buttonCancel", "MyDialogSelect", {461, 300, 93, 26}, "&Cancel"},
                   {"pushButton4", "MyDialogSelect", {140, 300, 180, 27}, "Change Trace Color"},
                   {"listView1", "MyDialogSelect", {20, 20, 540, 270}, ""}});
        QCOMPARE(frame.windowTitle(), QStringLiteral("Select Components"));
        QCOMPARE(frame.size(), QSize(576, 347));
        QCOMPARE(std::pair(frame.font().family(), frame.font().pointSize()),
                 std::pair(QStringLiteral("Arial"), 13));
        QCOMPARE(frame.buttonRefresh->shortcut(), QKeySequence(QStringLiteral("Alt+R")));
        QTreeWidget* list = frame.listView1;
        QStringList headers;
        for (int c = 0; c < list->columnCount(); ++c)
            headers << list->headerItem()->text(c);
        QCOMPARE(headers.join(u','), QStringLiteral("Das,Stream,Channel,Rate,Color"));
        QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);

        // An empty catalogue: the stored sort is shown, and the one chosen is taken back.
        ChannelCatalogue cat;
        cat.SortColumn = 1;
        cat.SortOrder = 0;
        QVERIFY(Select(
            cat,
            [&](MyDialogSelect* d) {
                QCOMPARE(d->parentWidget(), &parent);
                QVERIFY(d->isSizeGripEnabled() && d->listView1->header()->isSortIndicatorShown());
                QCOMPARE(d->listView1->header()->sortIndicatorSection(), 1);
                QCOMPARE(d->listView1->header()->sortIndicatorOrder(), Qt::DescendingOrder);
                // A click on the rate column's header sorts by rate, rising.
                QHeaderView* header = d->listView1->header();
                QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                                  {header->sectionViewportPosition(3) + 5, header->height() / 2});
                QTest::mouseClick(d->buttonOk, Qt::LeftButton);
            },
            &parent));
        QCOMPARE(std::pair(cat.SortColumn, cat.SortOrder), std::pair(3, 1));
    }

    // Enter with the colour button in focus takes the selection, as it does everywhere in the
    // dialog but on Refresh and Cancel; it does not open the colour dialog.
    void enterOnTheColourButtonTakesTheSelection()
    {
        ChannelCatalogue cat;
        cat.Entries = {Entry(1, 0, 0, 100, 0, 0, {1, 1, 1})};
        QVERIFY(Select(cat, [](MyDialogSelect* d) {
            d->listView1->topLevelItem(0)->child(0)->setCheckState(kDas, Qt::Checked);
            QTest::keyClick(d->pushButton4, Qt::Key_Return);
        }));
        QCOMPARE(cat.Entries[0].Active, 1);
    }

    // The list keeps each row's colour as its text; a text that does not read must not leave
    // a channel without a colour.
    void unreadableColourTextGivesRed()
    {
        QCOMPARE(ColorFromText(QStringLiteral("(1,2)")), (Rgb{255, 0, 0}));
    }

    void rowTextsShowUnitStreamChannelAndRate_data()
    {
        QTest::addColumn<int>("das");
        QTest::addColumn<int>("stream");
        QTest::addColumn<int>("channel");
        QTest::addColumn<double>("sampleRate");
        QTest::addColumn<double>("measuredRate");
        QTest::addColumn<QString>("texts"); // group, das, stream, channel, rate
        QTest::newRow("unit 12AB, rate 100")
            << 0x12AB << 0 << 0 << 100.0 << 0.0 << "12AB-01 12AB 01 01 100";
        QTest::newRow("measured 0.1") << 0x12AB << 0 << 0 << 0.0 << 0.1 << "12AB-01 12AB 01 01 0.1";
        QTest::newRow("negative configured rate falls back to measured")
            << 0x12AB << 0 << 0 << -5.0 << 250.0 << "12AB-01 12AB 01 01 250";
        QTest::newRow("configured rate below one")
            << 0x12AB << 0 << 0 << 0.5 << 250.0 << "12AB-01 12AB 01 01 0.5";
        QTest::newRow("configured wins over measured")
            << 0x12AB << 0 << 0 << 40.0 << 250.0 << "12AB-01 12AB 01 01 40";
        QTest::newRow("highest ids")
            << 0xFFFF << 65535 << 65535 << 1000.0 << 0.0 << "FFFF-65536 FFFF 65536 65536 1000";
        QTest::newRow("small unit, channel 31")
            << 0x00a << 1 << 31 << 0.0 << 5.0 << "000A-02 000A 02 32 5";
    }
    void rowTextsShowUnitStreamChannelAndRate()
    {
        QFETCH(int, das);
        QFETCH(int, stream);
        QFETCH(int, channel);
        QFETCH(double, sampleRate);
        QFETCH(double, measuredRate);

        ChannelCatalogue cat;
        cat.Entries = {Entry(das, stream, channel, sampleRate, 1, 0, {12, 200, 34})};
        cat.Entries[0].MeasuredRate = measuredRate;
        QVERIFY(Select(cat, [&](MyDialogSelect* d) {
            QTreeWidget* list = d->listView1;
            QCOMPARE(list->topLevelItemCount(), 1);
            QTreeWidgetItem* group = list->topLevelItem(0);
            QCOMPARE(group->childCount(), 1);
            QTreeWidgetItem* row = group->child(0);
            QStringList texts{group->text(kDas)};
            for (int c = 0; c < 4; ++c)
                texts << row->text(c);
            QTEST(texts.join(u' '), "texts");
            QCOMPARE(row->text(kColor), QStringLiteral("(12,200,34)"));
            QCOMPARE(row->checkState(kDas), Qt::Checked);
            const QImage swatch = row->icon(kColor).pixmap(16, 16).toImage();
            QCOMPARE(swatch.size(), QSize(16, 16));
            QCOMPARE(swatch.pixelColor(0, 0), QColor(12, 200, 34));
            QCOMPARE(swatch.pixelColor(15, 15), QColor(12, 200, 34));
            d->reject();
        }));
    }

    void unlistedEntriesLeftAlone()
    {
        ChannelCatalogue cat;
        DasStreamChanInfo noRate = Entry(1, 0, 0, 0, 1, 7, {1, 2, 3});
        DasStreamChanInfo negative = Entry(1, 0, 1, -1, 1, 8, {4, 5, 6});
        negative.MeasuredRate = -2;
        cat.Entries = {noRate, negative, Entry(1, 0, 2, 100, 0, 0)};
        QVERIFY(Select(cat, [&](MyDialogSelect* d) {
            QCOMPARE(d->listView1->topLevelItemCount(), 1);
            QCOMPARE(d->listView1->topLevelItem(0)->childCount(), 1);
            QVERIFY(ChannelRow(d->listView1, 1, 1, 3));
            QTest::mouseClick(d->buttonOk, Qt::LeftButton);
        }));
        QCOMPARE(Chosen(cat), QStringLiteral("1:7 1:8 0:0"));
        QCOMPARE(Colours(cat), QStringLiteral("(1,2,3) (4,5,6) (255,0,0)"));
    }

    void groupsOpenByCheckStateAndCheckTheirChannels()
    {
        ChannelCatalogue cat;
        cat.Entries = {Entry(1, 0, 0), Entry(1, 0, 1),         // none checked
                       Entry(2, 0, 0, 100, 1), Entry(2, 0, 1), // one of two
                       Entry(3, 4, 0, 100, 1)};                // all
        QVERIFY(Select(cat, [&](MyDialogSelect* d) {
            QTreeWidgetItem* none = Row(d->listView1, QStringLiteral("0001-01"));
            QTreeWidgetItem* some = Row(d->listView1, QStringLiteral("0002-01"));
            QTreeWidgetItem* all = Row(d->listView1, QStringLiteral("0003-05"));
            QCOMPARE(none->checkState(kDas), Qt::Unchecked);
            QVERIFY(!none->isExpanded());
            QCOMPARE(some->checkState(kDas), Qt::PartiallyChecked);
            QVERIFY(some->isExpanded());
            QCOMPARE(all->checkState(kDas), Qt::Checked);
            QVERIFY(all->isExpanded());
            // A group's check goes down to its channels, and a channel's back up.
            none->setCheckState(kDas, Qt::Checked);
            QCOMPARE(none->child(0)->checkState(kDas), Qt::Checked);
            QCOMPARE(none->child(1)->checkState(kDas), Qt::Checked);
            all->setCheckState(kDas, Qt::Unchecked);
            QCOMPARE(all->child(0)->checkState(kDas), Qt::Unchecked);
            none->child(1)->setCheckState(kDas, Qt::Unchecked);
            QCOMPARE(none->checkState(kDas), Qt::PartiallyChecked);
            QTest::mouseClick(d->buttonOk, Qt::LeftButton);
        }));
        QCOMPARE(Chosen(cat), QStringLiteral("1:0 0:0 1:1 0:0 0:0"));
    }

    void displayIndexFollowsListOrder_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("order");
        // Unchecked channels keep their old numbers.
        QTest::addColumn<QString>("chosen");
        QTest::newRow("channel ascending")
            << 2 << int(Qt::AscendingOrder) << "1:0 0:11 1:1 0:13 1:2";
        QTest::newRow("channel descending")
            << 2 << int(Qt::DescendingOrder) << "1:1 0:11 1:0 0:13 1:2";
        QTest::newRow("unit descending")
            << 0 << int(Qt::DescendingOrder) << "1:1 0:11 1:2 0:13 1:0";
    }
    void displayIndexFollowsListOrder()
    {
        QFETCH(int, column);
        QFETCH(int, order);
        ChannelCatalogue cat;
        cat.Entries = {Entry(1, 0, 0, 100, 0, 10), Entry(1, 0, 1, 100, 1, 11),
                       Entry(1, 0, 2, 100, 0, 12), Entry(2, 0, 0, 100, 1, 13),
                       Entry(2, 0, 1, 100, 0, 14)};
        QVERIFY(Select(cat, [&](MyDialogSelect* d) {
            QTreeWidget* list = d->listView1;
            list->sortByColumn(column, Qt::SortOrder(order));
            ChannelRow(list, 1, 1, 1)->setCheckState(kDas, Qt::Checked);
            ChannelRow(list, 1, 1, 2)->setCheckState(kDas, Qt::Unchecked);
            ChannelRow(list, 1, 1, 3)->setCheckState(kDas, Qt::Checked);
            ChannelRow(list, 2, 1, 1)->setCheckState(kDas, Qt::Unchecked);
            ChannelRow(list, 2, 1, 2)->setCheckState(kDas, Qt::Checked);
            QTest::mouseClick(d->buttonOk, Qt::LeftButton);
        }));
        QCOMPARE(std::pair(cat.SortColumn, cat.SortOrder),
                 std::pair(column, order == Qt::AscendingOrder ? 1 : 0));
        QTEST(Chosen(cat), "chosen");
    }

    void colourChangeReachesOnlyTheSelectedRows_data()
    {
        QTest::addColumn<bool>("choose");
        QTest::newRow("colour chosen") << true;
        QTest::newRow("colour dialog cancelled") << false;
    }
    void colourChangeReachesOnlyTheSelectedRows()
    {
        QFETCH(bool, choose);
        const QColor chosen(10, 20, 30);
        ChannelCatalogue cat;
        cat.Entries = {Entry(1, 0, 0, 100, 1, 0, {1, 1, 1}), Entry(1, 0, 1, 100, 1, 1, {2, 2, 2}),
                       Entry(2, 0, 0, 100, 1, 2, {3, 3, 3})};
        bool colorDialogSeen = false;
        QVERIFY(SelectScript(
            cat, {Selecting([&](MyDialogSelect* d) {
                      QTreeWidget* list = d->listView1;
                      QTreeWidgetItem* a = ChannelRow(list, 1, 1, 1);
                      QTreeWidgetItem* b = ChannelRow(list, 2, 1, 1);
                      QTreeWidgetItem* group = Row(list, QStringLiteral("0001-01"));
                      for (QTreeWidgetItem* item : {a, b, group})
                          item->setSelected(true);
                      QTest::mouseClick(d->pushButton4, Qt::LeftButton);
                      QVERIFY(colorDialogSeen);
                      const QString text =
                          choose ? QStringLiteral("(10,20,30)") : QStringLiteral("(1,1,1)");
                      QCOMPARE(a->text(kColor), text);
                      QCOMPARE(b->text(kColor), choose ? text : QStringLiteral("(3,3,3)"));
                      QCOMPARE(a->icon(kColor).pixmap(16, 16).toImage().pixelColor(8, 8),
                               choose ? chosen : QColor(1, 1, 1));
                      QCOMPARE(a->isSelected(), !choose);
                      QCOMPARE(b->isSelected(), !choose);
                      QVERIFY(group->isSelected());
                      QVERIFY(group->text(kColor).isEmpty());
                      QCOMPARE(ChannelRow(list, 1, 1, 2)->text(kColor), QStringLiteral("(2,2,2)"));
                      QTest::mouseClick(d->buttonOk, Qt::LeftButton);
                  }),
                  ModalScript::For<QColorDialog>([&](QColorDialog* colors) {
                      colorDialogSeen = true;
                      QCOMPARE(colors->currentColor(), QColor(Qt::red));
                      if (!choose) {
                          colors->reject();
                          return;
                      }
                      colors->setCurrentColor(chosen);
                      colors->accept();
                  })}));
        QCOMPARE(Colours(cat), choose ? QStringLiteral("(10,20,30) (2,2,2) (10,20,30)")
                                      : QStringLiteral("(1,1,1) (2,2,2) (3,3,3)"));
    }

    void refreshDiscardsChanges()
    {
        ChannelCatalogue cat;
        cat.Entries = {Entry(1, 0, 0, 100, 1, 0, {1, 1, 1}), Entry(1, 0, 1, 100, 0, 4, {2, 2, 2})};
        QVERIFY(SelectScript(
            cat, {Selecting([&](MyDialogSelect* d) {
                      QTreeWidget* list = d->listView1;
                      ChannelRow(list, 1, 1, 1)->setCheckState(kDas, Qt::Unchecked);
                      ChannelRow(list, 1, 1, 2)->setCheckState(kDas, Qt::Checked);
                      ChannelRow(list, 1, 1, 2)->setText(kColor, QStringLiteral("(7,7,7)"));
                      list->sortByColumn(3, Qt::DescendingOrder);
                      // Meanwhile a packet brings a new channel.
                      cat.Entries.push_back(Entry(5, 0, 0, 20, 1, 1, {3, 3, 3}));
                      QTest::mouseClick(d->buttonRefresh, Qt::LeftButton);
                      QCOMPARE(d->refreshRequested, 1);
                  }),
                  Selecting([&](MyDialogSelect* d) {
                      QTreeWidget* list = d->listView1;
                      QCOMPARE(d->refreshRequested, 0);
                      QCOMPARE(list->header()->sortIndicatorSection(), 0);
                      QCOMPARE(list->header()->sortIndicatorOrder(), Qt::AscendingOrder);
                      QCOMPARE(ChannelRow(list, 1, 1, 1)->checkState(kDas), Qt::Checked);
                      QCOMPARE(ChannelRow(list, 1, 1, 2)->checkState(kDas), Qt::Unchecked);
                      QCOMPARE(ChannelRow(list, 1, 1, 2)->text(kColor), QStringLiteral("(2,2,2)"));
                      QVERIFY(ChannelRow(list, 5, 1, 1));
                      ChannelRow(list, 5, 1, 1)->setCheckState(kDas, Qt::Unchecked);
                      QTest::mouseClick(d->buttonOk, Qt::LeftButton);
                  })}));
        QCOMPARE(std::pair(cat.SortColumn, cat.SortOrder), std::pair(0, 1));
        QCOMPARE(Chosen(cat), QStringLiteral("1:0 0:4 0:1"));
        QCOMPARE(Colours(cat), QStringLiteral("(1,1,1) (2,2,2) (3,3,3)"));
    }

    void catalogueChangedWhileOpen()
    {
        ChannelCatalogue cat;
        cat.Entries = {Entry(1, 0, 0, 100, 0, 3, {1, 1, 1}), Entry(2, 0, 0, 100, 0, 4, {2, 2, 2})};
        QVERIFY(Select(cat, [&](MyDialogSelect* d) {
            ChannelRow(d->listView1, 2, 1, 1)->setCheckState(kDas, Qt::Checked);
            ChannelRow(d->listView1, 2, 1, 1)->setText(kColor, QStringLiteral("(0,0,200)"));
            // A new channel sorts in front and moves the listed entries.
            cat.Entries.insert(cat.Entries.begin(), Entry(0, 0, 0, 100, 1, 5, {9, 9, 9}));
            std::swap(cat.Entries[1], cat.Entries[2]);
            QTest::mouseClick(d->buttonOk, Qt::LeftButton);
        }));
        // The added unit 0, then units 2 and 1.
        QCOMPARE(Chosen(cat), QStringLiteral("1:5 1:0 0:3"));
        QCOMPARE(Colours(cat), QStringLiteral("(9,9,9) (0,0,200) (1,1,1)"));
    }

    void selectionCancelledChangesNothing()
    {
        ChannelCatalogue cat;
        cat.Entries = {Entry(1, 0, 0, 100, 1, 2, {1, 1, 1})};
        cat.SortColumn = 1;
        QVERIFY(Select(cat, [&](MyDialogSelect* d) {
            ChannelRow(d->listView1, 1, 1, 1)->setCheckState(kDas, Qt::Unchecked);
            d->listView1->sortByColumn(4, Qt::DescendingOrder);
            QTest::mouseClick(d->buttonCancel, Qt::LeftButton);
        }));
        QCOMPARE(Chosen(cat), QStringLiteral("1:2"));
        QCOMPARE(std::pair(cat.SortColumn, cat.SortOrder), std::pair(1, 1));
    }

    void timeRangeDialogAsBuilt()
    {
        TimeRangeDialog dialog;
        CheckForm(dialog,
                  {{"buttonCancel", "TimeRangeDialog", {270, 150, 82, 26}, "&Cancel"},
                   {"buttonOk", "TimeRangeDialog", {80, 150, 82, 26}, "&OK"},
                   {"buttonGroup1", "TimeRangeDialog", {31, 10, 360, 120}, ""},
                   {"lineEdit1", "buttonGroup1", {179, 21, 160, 20}, "999999999"},
                   {"lineEdit2", "buttonGroup1", {178, 60, 160, 20}, "#999999999999999"},
                   {"textLabel1", "buttonGroup1", {11, 21, 160, 16}, "Set Time Range  (sec.):"},
                   {"textLabel2", "buttonGroup1", {10, 60, 160, 16}, "Set Time Shift (sec.):"}});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("TimeRange"));
        QCOMPARE(dialog.size(), QSize(422, 202));
        QVERIFY(dialog.isSizeGripEnabled());
        QCOMPARE(dialog.buttonOk->shortcut(), QKeySequence(QStringLiteral("Alt+O")));
        QCOMPARE(dialog.buttonCancel->shortcut(), QKeySequence(QStringLiteral("Alt+C")));
        QVERIFY(dialog.buttonOk->isDefault());
        QList<QWidget*> tabOrder;
        QWidget* w = dialog.buttonOk;
        do {
            if (w->focusPolicy() & Qt::TabFocus)
                tabOrder << w;
            w = w->nextInFocusChain();
        } while (w != dialog.buttonOk);
        QCOMPARE(tabOrder, (QList<QWidget*>{dialog.buttonOk, dialog.buttonCancel, dialog.lineEdit1,
                                            dialog.lineEdit2}));
    }

    void timeRangeDialogShowsTheCurrentValues()
    {
        QWidget parent;
        const auto unchanged = Ranging([&](TimeRangeDialog* d) {
            QVERIFY(d->isModal());
            QCOMPARE(d->parentWidget(), &parent);
            QCOMPARE(d->lineEdit1->text(), QStringLiteral("120"));
            QCOMPARE(d->lineEdit2->text(), QStringLiteral("0"));
            QTest::mouseClick(d->buttonOk, Qt::LeftButton);
        });
        QCOMPARE(SetRange(120, 0, {unchanged}, &parent), std::tuple(true, true, 120, 0));
    }

    void timeRangeTakesWhatIsTyped_data()
    {
        QTest::addColumn<QString>("rangeTyped");
        QTest::addColumn<QString>("shiftTyped");
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("shift");
        const auto row = [](const char* tag, const char* rangeTyped, const char* shiftTyped,
                            int range, int shift) {
            QTest::newRow(tag) << QString::fromLatin1(rangeTyped) << QString::fromLatin1(shiftTyped)
                               << range << shift;
        };
        row("30 s", "30", "0", 30, 0);
        row("minus sign is refused in the range", "-5", "0", 5, 0);
        row("negative shift", "10", "-15", 10, -15);
        row("plus sign", "10", "+7", 10, 7);
        row("sixteen-digit shift", "10", "1234567890123456", 10, 0);
        row("shift just past 32 bits", "10", "2147483648", 10, 0);
        row("lowest 32-bit shift", "10", "-2147483648", 10, INT_MIN);
        row("empty shift", "10", "", 10, 0);
        row("sign alone", "10", "-", 10, 0);
        row("largest range, a day", "86400", "0", 86400, 0);
        row("letters are refused", "1a2", "3b", 12, 3);
    }
    void timeRangeTakesWhatIsTyped()
    {
        QFETCH(QString, rangeTyped);
        QFETCH(QString, shiftTyped);
        QFETCH(int, range);
        QFETCH(int, shift);
        QCOMPARE(SetRange(120, 9, {Answer(rangeTyped, shiftTyped)}),
                 std::tuple(true, true, range, shift));
    }

    // Beyond a day the axis, which labels times of day, would name the wrong times.
    void timeRangeThatCannotBeDrawnAsksAgain_data()
    {
        QTest::addColumn<QString>("rangeTyped");
        QTest::addColumn<QString>("shown");
        QTest::newRow("zero") << "0"
                              << "0";
        QTest::newRow("cleared") << ""
                                 << "0";
        QTest::newRow("a day and a second") << "86401"
                                            << "86401";
        QTest::newRow("nine digits") << "999999999"
                                     << "999999999";
    }
    void timeRangeThatCannotBeDrawnAsksAgain()
    {
        QFETCH(QString, rangeTyped);
        QFETCH(QString, shown);
        const auto again = Ranging([shown](TimeRangeDialog* d) {
            QCOMPARE(d->lineEdit1->text(), shown);
            QCOMPARE(d->lineEdit2->text(), QStringLiteral("8"));
            Type(d->lineEdit1, QStringLiteral("45"));
            QTest::mouseClick(d->buttonOk, Qt::LeftButton);
        });
        QCOMPARE(SetRange(120, 0, {Answer(rangeTyped, QStringLiteral("8")), again}),
                 std::tuple(true, true, 45, 8));
    }

    void timeRangeCancelKeepsTheOldValues_data()
    {
        QTest::addColumn<bool>("refusedFirst");
        QTest::newRow("cancelled at once") << false;
        // A refused range must not stay in force: the timer and a later save would use it.
        QTest::newRow("cancelled when asked again after a range of 0") << true;
    }
    void timeRangeCancelKeepsTheOldValues()
    {
        QFETCH(bool, refusedFirst);
        const ModalScript::Step cancel = Ranging([](TimeRangeDialog* d) {
            Type(d->lineEdit1, QStringLiteral("5"));
            QTest::mouseClick(d->buttonCancel, Qt::LeftButton);
        });
        const ModalScript::Step refused = Answer(QStringLiteral("0"), QStringLiteral("8"));
        QCOMPARE(refusedFirst ? SetRange(77, -3, {refused, cancel}) : SetRange(77, -3, {cancel}),
                 std::tuple(false, true, 77, -3));
    }

    void monitorIntervalFollowsTheRange_data()
    {
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("ms");
        QTest::newRow("no range still waits") << 0 << 1;
        QTest::newRow("one second") << 1 << 50;
        QTest::newRow("30 s") << 30 << 1500;
        QTest::newRow("default") << 120 << 6000;
        QTest::newRow("largest that fits") << INT_MAX / 50 << INT_MAX / 50 * 50;
        QTest::newRow("nine digits would overflow") << 999999999 << INT_MAX;
    }
    void monitorIntervalFollowsTheRange()
    {
        QFETCH(int, range);
        QTEST(MonitorIntervalMs(range), "ms");
    }

    void aboutIsModalWithOurPictureAndClosesWithOk()
    {
        AboutH plain;
        QCOMPARE(plain.objectName(), QStringLiteral("AboutH"));
        QVERIFY(!plain.isModal());
        QCOMPARE(plain.size(), QSize(388, 145));
        CheckForm(plain, {{"buttonOk", "AboutH", {200, 92, 82, 26}, "&OK"},
                          {"pixmapLabel5", "AboutH", {40, 20, 93, 99}, ""}});
        QVERIFY(plain.textLabel2->text().startsWith(QLatin1String("<blockquote>")));
        QVERIFY(plain.textLabel2->text().contains(QLatin1String("Tremvue")));
        QVERIFY(plain.buttonOk->isDefault() && plain.isSizeGripEnabled());

        QWidget parent;
        AboutH about(&parent, "About", true);
        ModalScript script{[&](QWidget* w) {
            QCOMPARE(w, &about);
            QTest::mouseClick(about.buttonOk, Qt::LeftButton);
        }};
        QCOMPARE(about.exec(), int(QDialog::Accepted));
        QCOMPARE(script.Remaining(), std::size_t{0});
        QCOMPARE(about.windowTitle(), QStringLiteral("About"));

        const QImage picture = about.pixmapLabel5->pixmap().toImage();
        QCOMPARE(picture.size(), QSize(93, 99));
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                colours.insert(picture.pixel(x, y));
        QCOMPARE(colours.size(), 53);
        const QImage icon = TremvueIcon().toImage();
        QCOMPARE(icon.size(), QSize(32, 32));
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(icon.pixel(16, 16)), 255);
    }

    // At device pixel ratio 2 each pixel of the artwork shows as a 2 x 2 block of its own
    // colour, as the plot and the icons stay sharp, not as a blur of its neighbours.
    void aboutPictureIsSharpOnADenseScreen()
    {
        if (qApp->devicePixelRatio() == 1.0) {
            TestChild dense;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
            dense.setProcessEnvironment(env);
            const int code = dense.Run(QCoreApplication::applicationFilePath(),
                                       {QStringLiteral("aboutPictureIsSharpOnADenseScreen")});
            QVERIFY2(code == 0, dense.readAllStandardOutput().constData());
            return;
        }
        AboutH about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        const QImage shown = about.pixmapLabel5->grab().toImage();
        const QImage art = QPixmap(about_picture).toImage();
        QCOMPARE(shown.size(), art.size() * 2);
        int blurred = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                blurred += shown.pixel(x, y) != art.pixel(x / 2, y / 2);
        QCOMPARE(blurred, 0);
    }

    void connectionDialogAsBuiltTakesTenDigitsOnly()
    {
        PksdConnect dialog;
        dialog.show(); // lays the form out
        CheckForm(dialog, {{"buttonGroup1", "PksdConnect", {11, 11, 495, 189}, ""},
                           {"textLabel1", "buttonGroup1", {14, 17, 64, 22}, "Pksd Host:"},
                           {"textLabel2", "buttonGroup1", {14, 45, 60, 22}, "Pksd Port:"},
                           {"textLabel3",
                            "buttonGroup1",
                            {14, 73, 222, 22},
                            "Number of DT packets in mem. Ring:"},
                           {"checkBox1",
                            "buttonGroup1",
                            {14, 101, 467, 20},
                            "Keep only selected channels in mem.ring"},
                           {"lineEditHost", "buttonGroup1", {283, 17, 198, 22}, ""},
                           {"lineEditPort", "buttonGroup1", {281, 45, 200, 22}, "9999999999"},
                           {"lineEditDTn", "buttonGroup1", {356, 73, 125, 22}, "9999999999"},
                           {"buttonOk", "PksdConnect", {11, 206, 80, 22}, "&OK"},
                           {"buttonCancel", "PksdConnect", {426, 206, 80, 22}, "&Cancel"}});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("PksdConnect"));
        QCOMPARE(dialog.size(), QSize(517, 239));
        QVERIFY(dialog.isSizeGripEnabled());
        // Narrowed by its grip, the fields give way and the labels keep their width.
        dialog.resize(400, 239);
        CheckForm(dialog, {{"lineEditHost", "buttonGroup1", {224, 17, 140, 22}, ""},
                           {"lineEditPort", "buttonGroup1", {222, 45, 142, 22}, "9999999999"},
                           {"textLabel3",
                            "buttonGroup1",
                            {14, 73, 222, 22},
                            "Number of DT packets in mem. Ring:"},
                           {"lineEditDTn", "buttonGroup1", {276, 73, 88, 22}, "9999999999"}});
        // Texts come back when the language changes.
        dialog.textLabel1->clear();
        QEvent languageChange(QEvent::LanguageChange);
        QApplication::sendEvent(&dialog, &languageChange);
        QCOMPARE(dialog.textLabel1->text(), QStringLiteral("Pksd Host:"));
        QCOMPARE(dialog.buttonOk->shortcut(), QKeySequence(QStringLiteral("Alt+O")));
        QVERIFY(dialog.buttonOk->isDefault());
        for (QLineEdit* edit : {dialog.lineEditPort, dialog.lineEditDTn}) {
            edit->setFocus();
            edit->setCursorPosition(0);
            QTest::keyClicks(edit, QStringLiteral("12a-3456789012345"));
            QCOMPARE(edit->text(), QStringLiteral("1234567890"));
        }
    }

    void typedNumbersOutsideTheirTypeGiveZero_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("ring");
        QTest::newRow("empty") << "" << 0 << 0;
        QTest::newRow("one") << "1" << 1 << 1;
        QTest::newRow("largest port") << "65535" << 65535 << 65535;
        QTest::newRow("70000") << "70000" << 0 << 70000;
        QTest::newRow("int max") << "2147483647" << 0 << 2147483647;
        QTest::newRow("beyond int") << "2147483648" << 0 << 0;
    }
    void typedNumbersOutsideTheirTypeGiveZero()
    {
        QFETCH(QString, text);
        QTEST(int(PortFromText(text)), "port");
        QTEST(RingSizeFromText(text), "ring");
    }

    void acceptedValuesAllocateAFreshRingAndConnect()
    {
        Rig rig;
        QString shown;
        ModalScript script{Connecting(&shown, rig.Here("5|0"))};
        QVERIFY(rig.Open());
        QCOMPARE(script.Remaining(), std::size_t{0});
        QCOMPARE(shown, QStringLiteral("localhost|2543|3|1"));
        QCOMPARE(rig.Conn.PksdPort, rig.Server.serverPort());
        QCOMPARE(std::tuple(rig.Store.KeepSel, rig.Store.AllocatedSlots, rig.Store.RingIndex,
                            int(rig.Store.PacketRing[1].SampleCount), rig.Conn.AutoStartPKSD),
                 std::tuple(0, 5, 0, 0, 1));
        QVERIFY(!rig.ConnectAction.isEnabled());
        QVERIFY(rig.CloseAction.isEnabled());
        QTRY_VERIFY(rig.Server.hasPendingConnections());
        QVERIFY(rig.Window.findChildren<PksdConnect*>().isEmpty());

        // Closing keeps the ring as it is; errors then start no reconnection.
        rig.Store.PacketRing[1].SampleCount = 5;
        ClosePksd(rig.Link, rig.Actions);
        QVERIFY(rig.ConnectAction.isEnabled());
        QCOMPARE(rig.Store.PacketRing[1].SampleCount, std::uint16_t{5});
        rig.Link.slotError(0);
        QVERIFY(!rig.Link.reconnectTimer().isActive());
    }

    void connectionCancelledChangesNothing()
    {
        Rig rig;
        DtPacket* ring = rig.Store.PacketRing.get();
        ModalScript script{Connecting(nullptr, QStringLiteral("elsewhere|1|7|0"), false)};
        QVERIFY(!rig.Open());
        QCOMPARE(rig.Conn.PksdHost, QStringLiteral("localhost"));
        QCOMPARE(rig.Store.PacketRing.get(), ring);
        QCOMPARE(std::tuple(rig.Store.NringBuffer, rig.Store.RingIndex, rig.Conn.AutoStartPKSD),
                 std::tuple(3, 2, 0));
        QVERIFY(!rig.CloseAction.isEnabled());
    }

    // Ring size 0 asks again with the values just taken; cancelling then leaves 0 in force
    // while the plot keeps drawing the ring it has, rather than reading no slots.
    void emptyRingSizeAsksAgainAndCancelKeepsTheOldRing()
    {
        Rig rig;
        DtPacket* ring = rig.Store.PacketRing.get();
        QString second;
        ModalScript script{Connecting(nullptr, QStringLiteral("h2|70000||0")),
                           Connecting(&second, QStringLiteral("h2|0|0|0"), false)};
        QVERIFY(!rig.Open());
        QCOMPARE(script.Remaining(), std::size_t{0});
        QCOMPARE(second, QStringLiteral("h2|0|0|0"));
        QCOMPARE(rig.Store.NringBuffer, 0);
        QCOMPARE(rig.Store.PacketRing.get(), ring);
        QCOMPARE(RingSlotCount(rig.Store), 3);
        QCOMPARE(RingSlotInOrder(rig.Store, 1).SampleCount, std::uint16_t{9});
        QVERIFY(rig.ConnectAction.isEnabled());
        QCOMPARE(rig.Link.pksdSocket().state(), QAbstractSocket::UnconnectedState);

        ModalScript again{Connecting(nullptr, rig.Here("0|1")),
                          Connecting(nullptr, rig.Here("1|1"))};
        QVERIFY(rig.Open());
        QCOMPARE(std::pair(rig.Store.AllocatedSlots, rig.Store.KeepSel), std::pair(1, 1));
    }

    // The window may go away while the connection dialog is open (the program quits).
    void windowGoneWhileAskingOpensNothing()
    {
        Rig rig;
        auto* parent = new QWidget;
        ModalScript script{[&](QWidget*) { delete parent; }};
        QVERIFY(!OpenPksd(parent, rig.Conn, rig.Store, rig.Link, rig.Actions));
        QCOMPARE(script.Remaining(), std::size_t{0});
        QCOMPARE(rig.Link.pksdSocket().state(), QAbstractSocket::UnconnectedState);
    }

    void ringTooLargeSaysSoInBytes()
    {
        Rig rig;
        QString text;
        ModalScript script{Connecting(nullptr, rig.Here("2000000000|0")),
                           ModalScript::For<QMessageBox>([&](QMessageBox* box) {
                               QCOMPARE(box->windowTitle(), QStringLiteral("Memory Error"));
                               QCOMPARE(box->icon(), QMessageBox::Critical);
                               text = box->text();
                               box->button(QMessageBox::Ok)->click();
                           })};
        QVERIFY(!rig.Open());
        QCOMPARE(script.Remaining(), std::size_t{0});
        QCOMPARE(text, QStringLiteral("Couldn't allocate %1Bytes")
                           .arg(std::int64_t{2000000000} * std::int64_t{sizeof(DtPacket)}));
        QVERIFY(!rig.Store.PacketRing);
        QCOMPARE(rig.Conn.AutoStartPKSD, 0);
        QVERIFY(rig.ConnectAction.isEnabled());
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
