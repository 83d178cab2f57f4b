#include "dialogs/settimerange.h"
#include "dialogs/timerangedialog.h"
#include "tests/common/formcheck.h"
#include "tests/common/modalscript.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <climits>
#include <functional>

namespace {

// The time range dialog's step of a modal script.
ModalScript::Step Ranging(const std::function<void(TimeRangeDialog*)>& step)
{
    return [step](QWidget* w) {
        auto* d = qobject_cast<TimeRangeDialog*>(w);
        QVERIFY(d);
        step(d);
    };
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

} // namespace

class TestSetTimeRange : public QObject
{
    Q_OBJECT

private slots:
    void layout()
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

    void defaults()
    {
        QWidget parent;
        int range = 120;
        int shift = 0;
        ModalScript script{Ranging([&](TimeRangeDialog* d) {
            QVERIFY(d->isModal());
            QCOMPARE(d->parentWidget(), &parent);
            QCOMPARE(d->lineEdit1->text(), QStringLiteral("120"));
            QCOMPARE(d->lineEdit2->text(), QStringLiteral("0"));
            QTest::mouseClick(d->buttonOk, Qt::LeftButton);
        })};
        QVERIFY(SetTimeRange(&parent, range, shift));
        QCOMPARE(script.Remaining(), std::size_t{0});
        QCOMPARE(range, 120);
        QCOMPARE(shift, 0);
    }

    void accepted_data()
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
        row("nine-digit range", "999999999", "0", 999999999, 0);
        row("letters are refused", "1a2", "3b", 12, 3);
    }
    void accepted()
    {
        QFETCH(QString, rangeTyped);
        QFETCH(QString, shiftTyped);
        QFETCH(int, range);
        QFETCH(int, shift);
        int timeRange = 120;
        int timeShift = 9;
        ModalScript script{Answer(rangeTyped, shiftTyped)};
        QVERIFY(SetTimeRange(nullptr, timeRange, timeShift));
        QCOMPARE(script.Remaining(), std::size_t{0});
        QCOMPARE(timeRange, range);
        QCOMPARE(timeShift, shift);
    }

    void belowOneReopens_data()
    {
        QTest::addColumn<QString>("rangeTyped");
        QTest::newRow("zero") << "0";
        QTest::newRow("cleared") << "";
    }
    void belowOneReopens()
    {
        QFETCH(QString, rangeTyped);
        int range = 120;
        int shift = 0;
        ModalScript script{Answer(rangeTyped, QStringLiteral("8")), Ranging([](TimeRangeDialog* d) {
                               QCOMPARE(d->lineEdit1->text(), QStringLiteral("0"));
                               QCOMPARE(d->lineEdit2->text(), QStringLiteral("8"));
                               Type(d->lineEdit1, QStringLiteral("45"));
                               QTest::mouseClick(d->buttonOk, Qt::LeftButton);
                           })};
        QVERIFY(SetTimeRange(nullptr, range, shift));
        QCOMPARE(script.Remaining(), std::size_t{0});
        QCOMPARE(range, 45);
        QCOMPARE(shift, 8);
    }

    void cancelKeepsTheOldValues_data()
    {
        QTest::addColumn<bool>("refusedFirst");
        QTest::newRow("cancelled at once") << false;
        // A refused range must not stay in force: the timer and a later save would use it.
        QTest::newRow("cancelled when asked again after a range of 0") << true;
    }
    void cancelKeepsTheOldValues()
    {
        QFETCH(bool, refusedFirst);
        int range = 77;
        int shift = -3;
        const ModalScript::Step cancel = Ranging([](TimeRangeDialog* d) {
            Type(d->lineEdit1, QStringLiteral("5"));
            QTest::mouseClick(d->buttonCancel, Qt::LeftButton);
        });
        const std::initializer_list<ModalScript::Step> atOnce{cancel};
        const std::initializer_list<ModalScript::Step> again{
            Answer(QStringLiteral("0"), QStringLiteral("8")), cancel};
        ModalScript script(refusedFirst ? again : atOnce);
        QVERIFY(!SetTimeRange(nullptr, range, shift));
        QCOMPARE(script.Remaining(), std::size_t{0});
        QCOMPARE(range, 77);
        QCOMPARE(shift, -3);
    }

    void interval_data()
    {
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("ms");
        QTest::newRow("one second") << 1 << 50;
        QTest::newRow("30 s") << 30 << 1500;
        QTest::newRow("default") << 120 << 6000;
        QTest::newRow("largest that fits") << INT_MAX / 50 << INT_MAX / 50 * 50;
        QTest::newRow("nine digits would overflow") << 999999999 << INT_MAX;
    }
    void interval()
    {
        QFETCH(int, range);
        QFETCH(int, ms);
        QCOMPARE(MonitorIntervalMs(range), ms);
    }
};

QTEST_MAIN(TestSetTimeRange)
#include "tst_settimerange.moc"
