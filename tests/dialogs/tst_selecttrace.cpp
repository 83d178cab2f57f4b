#include "dialogs/mydialogselect.h"
#include "dialogs/selecttrace.h"
#include "store/channelcatalogue.h"
#include "tests/common/formcheck.h"
#include "tests/common/modalscript.h"

#include <QColorDialog>
#include <QFont>
#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <vector>

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

MyDialogSelect* Select(QWidget* w)
{
    auto* dialog = qobject_cast<MyDialogSelect*>(w);
    if (!dialog)
        qWarning("expected the selection dialog, got %s", w->metaObject()->className());
    return dialog;
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

void ClickOk(MyDialogSelect* d)
{
    QTest::mouseClick(d->buttonOk, Qt::LeftButton);
}

} // namespace

class TestSelectTrace : public QObject
{
    Q_OBJECT

private slots:
    void dialogAsBuiltOpensWithTheStoredSort();
    void rowTexts_data();
    void rowTexts();
    void unlistedEntriesLeftAlone();
    void groupsOpenByCheckState();
    void groupCheckControlsChannels();
    void displayIndexFollowsListOrder_data();
    void displayIndexFollowsListOrder();
    void changeColor_data();
    void changeColor();
    void refreshDiscardsChanges();
    void catalogueChangedWhileOpen();
    void cancelChangesNothing();
};

void TestSelectTrace::dialogAsBuiltOpensWithTheStoredSort()
{
    QWidget parent;
    parent.setFont(QFont(QStringLiteral("Courier"), 13));
    MyDialogSelect frame(&parent);
    CheckForm(frame, {{"buttonRefresh", "MyDialogSelect", {20, 300, 93, 26}, "&Refresh"},
                      {"buttonOk", "MyDialogSelect", {362, 300, 93, 26}, "&OK"},
                      {"buttonCancel", "MyDialogSelect", {461, 300, 93, 26}, "&Cancel"},
                      {"pushButton4", "MyDialogSelect", {140, 300, 180, 27}, "Change Trace Color"},
                      {"listView1", "MyDialogSelect", {20, 20, 540, 270}, ""}});
    QCOMPARE(frame.windowTitle(), QStringLiteral("Select Components"));
    QCOMPARE(frame.font().family(), QStringLiteral("Arial"));
    QCOMPARE(frame.font().pointSize(), 13);
    QCOMPARE(frame.buttonRefresh->shortcut(), QKeySequence(QStringLiteral("Alt+R")));
    QTreeWidget* list = frame.listView1;
    QStringList headers;
    for (int c = 0; c < list->columnCount(); ++c)
        headers << list->headerItem()->text(c);
    QCOMPARE(headers, (QStringList{QStringLiteral("Das"), QStringLiteral("Stream"),
                                   QStringLiteral("Channel"), QStringLiteral("Rate"),
                                   QStringLiteral("Color")}));
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);

    // An empty catalogue: the stored sort is shown, and the one chosen is taken back.
    ChannelCatalogue cat;
    cat.SortColumn = 1;
    cat.SortOrder = 0;
    ModalScript script{[&](QWidget* w) {
        MyDialogSelect* d = Select(w);
        QVERIFY(d);
        QCOMPARE(d->parentWidget(), &parent);
        QCOMPARE(d->listView1->header()->sortIndicatorSection(), 1);
        QCOMPARE(d->listView1->header()->sortIndicatorOrder(), Qt::DescendingOrder);
        d->listView1->sortByColumn(3, Qt::AscendingOrder);
        ClickOk(d);
    }};
    SelectTrace(&parent, cat);
    QCOMPARE(script.Remaining(), std::size_t{0});
    QCOMPARE(cat.SortColumn, 3);
    QCOMPARE(cat.SortOrder, 1);
}

void TestSelectTrace::rowTexts_data()
{
    QTest::addColumn<int>("das");
    QTest::addColumn<int>("stream");
    QTest::addColumn<int>("channel");
    QTest::addColumn<double>("sampleRate");
    QTest::addColumn<double>("measuredRate");
    QTest::addColumn<QStringList>("texts"); // group, das, stream, channel, rate, colour
    const QStringList unit{QStringLiteral("12AB-01"), QStringLiteral("12AB"), QStringLiteral("01"),
                           QStringLiteral("01")};
    QTest::newRow("unit 12AB, rate 100")
        << 0x12AB << 0 << 0 << 100.0 << 0.0 << (unit + QStringList{QStringLiteral("100")});
    QTest::newRow("measured 0.1") << 0x12AB << 0 << 0 << 0.0 << 0.1
                                  << (unit + QStringList{QStringLiteral("0.1")});
    QTest::newRow("negative configured rate falls back to measured")
        << 0x12AB << 0 << 0 << -5.0 << 250.0 << (unit + QStringList{QStringLiteral("250")});
    QTest::newRow("configured wins over measured")
        << 0x12AB << 0 << 0 << 40.0 << 250.0 << (unit + QStringList{QStringLiteral("40")});
    QTest::newRow("highest ids") << 0xFFFF << 65535 << 65535 << 1000.0 << 0.0
                                 << QStringList{QStringLiteral("FFFF-65536"),
                                                QStringLiteral("FFFF"), QStringLiteral("65536"),
                                                QStringLiteral("65536"), QStringLiteral("1000")};
    QTest::newRow("small unit, channel 31")
        << 0x00a << 1 << 31 << 0.0 << 5.0
        << QStringList{QStringLiteral("000A-02"), QStringLiteral("000A"), QStringLiteral("02"),
                       QStringLiteral("32"), QStringLiteral("5")};
}

void TestSelectTrace::rowTexts()
{
    QFETCH(int, das);
    QFETCH(int, stream);
    QFETCH(int, channel);
    QFETCH(double, sampleRate);
    QFETCH(double, measuredRate);
    QFETCH(QStringList, texts);
    ChannelCatalogue cat;
    DasStreamChanInfo e = Entry(das, stream, channel, sampleRate, 1, 0, {12, 200, 34});
    e.MeasuredRate = measuredRate;
    cat.Entries.push_back(e);
    ModalScript script{[&](QWidget* w) {
        MyDialogSelect* d = Select(w);
        QVERIFY(d);
        QTreeWidget* list = d->listView1;
        QCOMPARE(list->topLevelItemCount(), 1);
        QTreeWidgetItem* group = list->topLevelItem(0);
        QCOMPARE(group->text(kDas), texts[0]);
        QCOMPARE(group->childCount(), 1);
        QTreeWidgetItem* row = group->child(0);
        for (int c = 0; c < 4; ++c)
            QCOMPARE(row->text(c), texts[c + 1]);
        QCOMPARE(row->text(kColor), QStringLiteral("(12,200,34)"));
        QCOMPARE(row->checkState(kDas), Qt::Checked);
        const QImage swatch = row->icon(kColor).pixmap(16, 16).toImage();
        QCOMPARE(swatch.size(), QSize(16, 16));
        QCOMPARE(swatch.pixelColor(0, 0), QColor(12, 200, 34));
        QCOMPARE(swatch.pixelColor(15, 15), QColor(12, 200, 34));
        d->reject();
    }};
    SelectTrace(nullptr, cat);
    QCOMPARE(script.Remaining(), std::size_t{0});
}

void TestSelectTrace::unlistedEntriesLeftAlone()
{
    ChannelCatalogue cat;
    DasStreamChanInfo noRate = Entry(1, 0, 0, 0, 1, 7, {1, 2, 3});
    DasStreamChanInfo negative = Entry(1, 0, 1, -1, 1, 8, {4, 5, 6});
    negative.MeasuredRate = -2;
    cat.Entries = {noRate, negative, Entry(1, 0, 2, 100, 0, 0)};
    ModalScript script{[&](QWidget* w) {
        MyDialogSelect* d = Select(w);
        QVERIFY(d);
        QCOMPARE(d->listView1->topLevelItemCount(), 1);
        QCOMPARE(d->listView1->topLevelItem(0)->childCount(), 1);
        QVERIFY(ChannelRow(d->listView1, 1, 1, 3));
        ClickOk(d);
    }};
    SelectTrace(nullptr, cat);
    QCOMPARE(script.Remaining(), std::size_t{0});
    QCOMPARE(cat.Entries[0].Active, 1);
    QCOMPARE(cat.Entries[0].DisplayIndex, 7);
    QCOMPARE(cat.Entries[0].TraceColor, (Rgb{1, 2, 3}));
    QCOMPARE(cat.Entries[1].Active, 1);
    QCOMPARE(cat.Entries[1].DisplayIndex, 8);
    QCOMPARE(cat.Entries[1].TraceColor, (Rgb{4, 5, 6}));
}

void TestSelectTrace::groupsOpenByCheckState()
{
    ChannelCatalogue cat;
    cat.Entries = {Entry(1, 0, 0), Entry(1, 0, 1),         // none checked
                   Entry(2, 0, 0, 100, 1), Entry(2, 0, 1), // one of two
                   Entry(3, 4, 0, 100, 1)};                // all
    ModalScript script{[&](QWidget* w) {
        MyDialogSelect* d = Select(w);
        QVERIFY(d);
        const struct
        {
            const char* group;
            Qt::CheckState state;
            bool expanded;
        } expected[] = {{"0001-01", Qt::Unchecked, false},
                        {"0002-01", Qt::PartiallyChecked, true},
                        {"0003-05", Qt::Checked, true}};
        for (const auto& e : expected) {
            QTreeWidgetItem* group = Row(d->listView1, QLatin1String(e.group));
            QVERIFY2(group, e.group);
            QCOMPARE(group->checkState(kDas), e.state);
            QCOMPARE(group->isExpanded(), e.expanded);
        }
        d->reject();
    }};
    SelectTrace(nullptr, cat);
    QCOMPARE(script.Remaining(), std::size_t{0});
}

void TestSelectTrace::groupCheckControlsChannels()
{
    ChannelCatalogue cat;
    cat.Entries = {Entry(1, 0, 0), Entry(1, 0, 1), Entry(2, 0, 0, 100, 1), Entry(2, 0, 1, 100, 1)};
    ModalScript script{[&](QWidget* w) {
        MyDialogSelect* d = Select(w);
        QVERIFY(d);
        QTreeWidgetItem* on = Row(d->listView1, QStringLiteral("0001-01"));
        QTreeWidgetItem* off = Row(d->listView1, QStringLiteral("0002-01"));
        on->setCheckState(kDas, Qt::Checked);
        off->setCheckState(kDas, Qt::Unchecked);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(on->child(i)->checkState(kDas), Qt::Checked);
            QCOMPARE(off->child(i)->checkState(kDas), Qt::Unchecked);
        }
        off->child(1)->setCheckState(kDas, Qt::Checked);
        QCOMPARE(off->checkState(kDas), Qt::PartiallyChecked);
        ClickOk(d);
    }};
    SelectTrace(nullptr, cat);
    QCOMPARE(script.Remaining(), std::size_t{0});
    std::vector<int> active;
    for (const DasStreamChanInfo& e : cat.Entries)
        active.push_back(e.Active);
    QCOMPARE(active, (std::vector<int>{1, 1, 0, 1}));
}

void TestSelectTrace::displayIndexFollowsListOrder_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("order");
    // DisplayIndex of unit 1 channel 1, unit 1 channel 3, unit 2 channel 2 (shown numbers).
    QTest::addColumn<std::vector<int>>("expected");
    QTest::newRow("channel ascending") << 2 << int(Qt::AscendingOrder) << std::vector<int>{0, 1, 2};
    QTest::newRow("channel descending")
        << 2 << int(Qt::DescendingOrder) << std::vector<int>{1, 0, 2};
    QTest::newRow("unit descending") << 0 << int(Qt::DescendingOrder) << std::vector<int>{1, 2, 0};
}

void TestSelectTrace::displayIndexFollowsListOrder()
{
    QFETCH(int, column);
    QFETCH(int, order);
    QFETCH(std::vector<int>, expected);
    ChannelCatalogue cat;
    cat.Entries = {Entry(1, 0, 0, 100, 0, 10), Entry(1, 0, 1, 100, 1, 11),
                   Entry(1, 0, 2, 100, 0, 12), Entry(2, 0, 0, 100, 1, 13),
                   Entry(2, 0, 1, 100, 0, 14)};
    ModalScript script{[&](QWidget* w) {
        MyDialogSelect* d = Select(w);
        QVERIFY(d);
        QTreeWidget* list = d->listView1;
        list->sortByColumn(column, Qt::SortOrder(order));
        ChannelRow(list, 1, 1, 1)->setCheckState(kDas, Qt::Checked);
        ChannelRow(list, 1, 1, 2)->setCheckState(kDas, Qt::Unchecked);
        ChannelRow(list, 1, 1, 3)->setCheckState(kDas, Qt::Checked);
        ChannelRow(list, 2, 1, 1)->setCheckState(kDas, Qt::Unchecked);
        ChannelRow(list, 2, 1, 2)->setCheckState(kDas, Qt::Checked);
        ClickOk(d);
    }};
    SelectTrace(nullptr, cat);
    QCOMPARE(script.Remaining(), std::size_t{0});
    QCOMPARE(cat.SortColumn, column);
    QCOMPARE(cat.SortOrder, order == Qt::AscendingOrder ? 1 : 0);
    const std::vector<int> indices{cat.Entries[0].DisplayIndex, cat.Entries[2].DisplayIndex,
                                   cat.Entries[4].DisplayIndex};
    QCOMPARE(indices, expected);
    // Unchecked channels keep their old numbers.
    QCOMPARE(cat.Entries[1].Active, 0);
    QCOMPARE(cat.Entries[1].DisplayIndex, 11);
    QCOMPARE(cat.Entries[3].Active, 0);
    QCOMPARE(cat.Entries[3].DisplayIndex, 13);
}

void TestSelectTrace::changeColor_data()
{
    QTest::addColumn<bool>("choose");
    QTest::newRow("colour chosen") << true;
    QTest::newRow("colour dialog cancelled") << false;
}

void TestSelectTrace::changeColor()
{
    QFETCH(bool, choose);
    const QColor chosen(10, 20, 30);
    ChannelCatalogue cat;
    cat.Entries = {Entry(1, 0, 0, 100, 1, 0, {1, 1, 1}), Entry(1, 0, 1, 100, 1, 1, {2, 2, 2}),
                   Entry(2, 0, 0, 100, 1, 2, {3, 3, 3})};
    bool colorDialogSeen = false;
    ModalScript script{
        [&](QWidget* w) {
            MyDialogSelect* d = Select(w);
            QVERIFY(d);
            QTreeWidget* list = d->listView1;
            QTreeWidgetItem* a = ChannelRow(list, 1, 1, 1);
            QTreeWidgetItem* b = ChannelRow(list, 2, 1, 1);
            QTreeWidgetItem* group = Row(list, QStringLiteral("0001-01"));
            a->setSelected(true);
            b->setSelected(true);
            group->setSelected(true);
            QTest::mouseClick(d->pushButton4, Qt::LeftButton);
            QVERIFY(colorDialogSeen);
            const QString text = choose ? QStringLiteral("(10,20,30)") : QStringLiteral("(1,1,1)");
            QCOMPARE(a->text(kColor), text);
            QCOMPARE(b->text(kColor), choose ? text : QStringLiteral("(3,3,3)"));
            QCOMPARE(a->icon(kColor).pixmap(16, 16).toImage().pixelColor(8, 8),
                     choose ? chosen : QColor(1, 1, 1));
            QCOMPARE(a->isSelected(), !choose);
            QCOMPARE(b->isSelected(), !choose);
            QVERIFY(group->isSelected());
            QVERIFY(group->text(kColor).isEmpty());
            QCOMPARE(ChannelRow(list, 1, 1, 2)->text(kColor), QStringLiteral("(2,2,2)"));
            ClickOk(d);
        },
        [&](QWidget* w) {
            auto* colors = qobject_cast<QColorDialog*>(w);
            QVERIFY(colors);
            colorDialogSeen = true;
            QCOMPARE(colors->currentColor(), QColor(Qt::red));
            if (!choose) {
                colors->reject();
                return;
            }
            colors->setCurrentColor(chosen);
            colors->accept();
        }};
    SelectTrace(nullptr, cat);
    QCOMPARE(script.Remaining(), std::size_t{0});
    QCOMPARE(cat.Entries[0].TraceColor, choose ? (Rgb{10, 20, 30}) : (Rgb{1, 1, 1}));
    QCOMPARE(cat.Entries[1].TraceColor, (Rgb{2, 2, 2}));
    QCOMPARE(cat.Entries[2].TraceColor, choose ? (Rgb{10, 20, 30}) : (Rgb{3, 3, 3}));
}

void TestSelectTrace::refreshDiscardsChanges()
{
    ChannelCatalogue cat;
    cat.Entries = {Entry(1, 0, 0, 100, 1, 0, {1, 1, 1}), Entry(1, 0, 1, 100, 0, 4, {2, 2, 2})};
    ModalScript script{[&](QWidget* w) {
                           MyDialogSelect* d = Select(w);
                           QVERIFY(d);
                           QTreeWidget* list = d->listView1;
                           ChannelRow(list, 1, 1, 1)->setCheckState(kDas, Qt::Unchecked);
                           ChannelRow(list, 1, 1, 2)->setCheckState(kDas, Qt::Checked);
                           ChannelRow(list, 1, 1, 2)->setText(kColor, QStringLiteral("(7,7,7)"));
                           list->sortByColumn(3, Qt::DescendingOrder);
                           // Meanwhile a packet brings a new channel.
                           cat.Entries.push_back(Entry(5, 0, 0, 20, 1, 1, {3, 3, 3}));
                           QTest::mouseClick(d->buttonRefresh, Qt::LeftButton);
                           QCOMPARE(d->refreshRequested, 1);
                       },
                       [&](QWidget* w) {
                           MyDialogSelect* d = Select(w);
                           QVERIFY(d);
                           QTreeWidget* list = d->listView1;
                           QCOMPARE(d->refreshRequested, 0);
                           QCOMPARE(list->header()->sortIndicatorSection(), 0);
                           QCOMPARE(list->header()->sortIndicatorOrder(), Qt::AscendingOrder);
                           QCOMPARE(ChannelRow(list, 1, 1, 1)->checkState(kDas), Qt::Checked);
                           QCOMPARE(ChannelRow(list, 1, 1, 2)->checkState(kDas), Qt::Unchecked);
                           QCOMPARE(ChannelRow(list, 1, 1, 2)->text(kColor),
                                    QStringLiteral("(2,2,2)"));
                           QVERIFY(ChannelRow(list, 5, 1, 1));
                           ChannelRow(list, 5, 1, 1)->setCheckState(kDas, Qt::Unchecked);
                           ClickOk(d);
                       }};
    SelectTrace(nullptr, cat);
    QCOMPARE(script.Remaining(), std::size_t{0});
    QCOMPARE(cat.SortColumn, 0);
    QCOMPARE(cat.SortOrder, 1);
    QCOMPARE(cat.Entries[0].Active, 1);
    QCOMPARE(cat.Entries[1].Active, 0);
    QCOMPARE(cat.Entries[1].TraceColor, (Rgb{2, 2, 2}));
    QCOMPARE(cat.Entries[2].Active, 0);
}

void TestSelectTrace::catalogueChangedWhileOpen()
{
    ChannelCatalogue cat;
    cat.Entries = {Entry(1, 0, 0, 100, 0, 3, {1, 1, 1}), Entry(2, 0, 0, 100, 0, 4, {2, 2, 2})};
    ModalScript script{[&](QWidget* w) {
        MyDialogSelect* d = Select(w);
        QVERIFY(d);
        ChannelRow(d->listView1, 2, 1, 1)->setCheckState(kDas, Qt::Checked);
        ChannelRow(d->listView1, 2, 1, 1)->setText(kColor, QStringLiteral("(0,0,200)"));
        // A new channel sorts in front and moves the listed entries.
        cat.Entries.insert(cat.Entries.begin(), Entry(0, 0, 0, 100, 1, 5, {9, 9, 9}));
        std::swap(cat.Entries[1], cat.Entries[2]);
        ClickOk(d);
    }};
    SelectTrace(nullptr, cat);
    QCOMPARE(script.Remaining(), std::size_t{0});
    const DasStreamChanInfo& added = cat.Entries[0];
    QCOMPARE(added.Active, 1);
    QCOMPARE(added.DisplayIndex, 5);
    QCOMPARE(added.TraceColor, (Rgb{9, 9, 9}));
    const DasStreamChanInfo& two = cat.Entries[1];
    QCOMPARE(two.DasId, std::uint16_t{2});
    QCOMPARE(two.Active, 1);
    QCOMPARE(two.DisplayIndex, 0);
    QCOMPARE(two.TraceColor, (Rgb{0, 0, 200}));
    const DasStreamChanInfo& one = cat.Entries[2];
    QCOMPARE(one.Active, 0);
    QCOMPARE(one.DisplayIndex, 3);
    QCOMPARE(one.TraceColor, (Rgb{1, 1, 1}));
}

void TestSelectTrace::cancelChangesNothing()
{
    ChannelCatalogue cat;
    cat.Entries = {Entry(1, 0, 0, 100, 1, 2, {1, 1, 1})};
    cat.SortColumn = 1;
    ModalScript script{[&](QWidget* w) {
        MyDialogSelect* d = Select(w);
        QVERIFY(d);
        ChannelRow(d->listView1, 1, 1, 1)->setCheckState(kDas, Qt::Unchecked);
        d->listView1->sortByColumn(4, Qt::DescendingOrder);
        QTest::mouseClick(d->buttonCancel, Qt::LeftButton);
    }};
    SelectTrace(nullptr, cat);
    QCOMPARE(script.Remaining(), std::size_t{0});
    QCOMPARE(cat.Entries[0].Active, 1);
    QCOMPARE(cat.Entries[0].DisplayIndex, 2);
    QCOMPARE(cat.SortColumn, 1);
    QCOMPARE(cat.SortOrder, 1);
}

QTEST_MAIN(TestSelectTrace)
#include "tst_selecttrace.moc"
