#include "display/displaystate.h"
#include "display/viewcommands.h"

#include <QColor>
#include <QFont>
#include <QMap>
#include <QTest>

#include <cmath>

namespace {

using Command = bool (*)(DisplayState&);

const QMap<QString, Command>& Commands()
{
    static const QMap<QString, Command> commands = {
        {QStringLiteral("SetScaleI"), ViewCommands::SetScaleI},
        {QStringLiteral("SetScaleC"), ViewCommands::SetScaleC},
        {QStringLiteral("SetScaleL"), ViewCommands::SetScaleL},
        {QStringLiteral("AbsoluteScale"), ViewCommands::AbsoluteScale},
        {QStringLiteral("SetScaleUp"), ViewCommands::SetScaleUp},
        {QStringLiteral("SetScaleDown"), ViewCommands::SetScaleDown},
        {QStringLiteral("RemoveDCoffset"), ViewCommands::RemoveDCoffset},
        {QStringLiteral("CPUTimeScale"), ViewCommands::CPUTimeScale},
        {QStringLiteral("SetTimeC"), ViewCommands::SetTimeC},
        {QStringLiteral("SetTimeI"), ViewCommands::SetTimeI},
        {QStringLiteral("SetTimeS"), ViewCommands::SetTimeS},
        {QStringLiteral("SetTimeD"), ViewCommands::SetTimeD},
        {QStringLiteral("SetLabelsTime"), ViewCommands::SetLabelsTime},
        {QStringLiteral("SetLabelsMinMax"), ViewCommands::SetLabelsMinMax},
        {QStringLiteral("SetLabelsMeanRange"), ViewCommands::SetLabelsMeanRange},
        {QStringLiteral("SetLabelsVolts"), ViewCommands::SetLabelsVolts},
        {QStringLiteral("SetLabelsinGround"), ViewCommands::SetLabelsinGround},
        {QStringLiteral("SetLabelsInCount"), ViewCommands::SetLabelsInCount},
    };
    return commands;
}

// A state that differs from every command's target, so each change shows.
DisplayState Start()
{
    DisplayState ds;
    ds.AmpScale = 3;
    ds.ScaleFactor = 4.0;
    ds.ZeroDcOffset = 1;
    ds.TimeScale = 2;
    ds.TimeLable = 1;
    ds.MinMaxLable = 0;
    ds.MeanRangeLable = 1;
    ds.VoltsLable = 1;
    return ds;
}

} // namespace

class tst_ViewCommands : public QObject
{
    Q_OBJECT

private slots:
    void stateChange_data();
    void stateChange();
    void amplitudeStaysFinite();
    void timeAndUnitMarks_data();
    void timeAndUnitMarks();
    void dialogAnswers();
};

void tst_ViewCommands::stateChange_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("ampScale");
    QTest::addColumn<double>("scaleFactor");
    QTest::addColumn<int>("zeroDc");
    QTest::addColumn<int>("timeScale");
    QTest::addColumn<QList<int>>("labels"); // time, min-max, mean-range, units
    QTest::addColumn<bool>("redraw");

    const QList<int> labels{1, 0, 1, 1};
    QTest::newRow("individual resets the factor")
        << "SetScaleI" << 0 << 1.0 << 1 << 2 << labels << true;
    QTest::newRow("common resets the factor")
        << "SetScaleC" << 2 << 1.0 << 1 << 2 << labels << true;
    QTest::newRow("lock keeps the factor") << "SetScaleL" << 3 << 4.0 << 1 << 2 << labels << false;
    QTest::newRow("absolute drops DC removal")
        << "AbsoluteScale" << 1 << 1.0 << 0 << 2 << labels << true;
    QTest::newRow("increase halves") << "SetScaleUp" << 3 << 2.0 << 1 << 2 << labels << true;
    QTest::newRow("decrease doubles") << "SetScaleDown" << 3 << 8.0 << 1 << 2 << labels << true;
    QTest::newRow("DC toggles") << "RemoveDCoffset" << 3 << 4.0 << 0 << 2 << labels << true;
    QTest::newRow("cpu clock waits for a tick")
        << "CPUTimeScale" << 3 << 4.0 << 1 << 4 << labels << false;
    QTest::newRow("common time") << "SetTimeC" << 3 << 4.0 << 1 << 1 << labels << true;
    QTest::newRow("channel time") << "SetTimeI" << 3 << 4.0 << 1 << 0 << labels << true;
    QTest::newRow("stream time") << "SetTimeS" << 3 << 4.0 << 1 << 2 << labels << true;
    QTest::newRow("unit time") << "SetTimeD" << 3 << 4.0 << 1 << 3 << labels << true;
    QTest::newRow("time labels off")
        << "SetLabelsTime" << 3 << 4.0 << 1 << 2 << QList<int>{0, 0, 1, 1} << false;
    QTest::newRow("min-max on") << "SetLabelsMinMax" << 3 << 4.0 << 1 << 2 << QList<int>{1, 1, 1, 1}
                                << false;
    QTest::newRow("mean-range off")
        << "SetLabelsMeanRange" << 3 << 4.0 << 1 << 2 << QList<int>{1, 0, 0, 1} << false;
    QTest::newRow("volts again") << "SetLabelsVolts" << 3 << 4.0 << 1 << 2 << QList<int>{1, 0, 1, 1}
                                 << false;
    QTest::newRow("ground units") << "SetLabelsinGround" << 3 << 4.0 << 1 << 2
                                  << QList<int>{1, 0, 1, 2} << false;
    QTest::newRow("counts") << "SetLabelsInCount" << 3 << 4.0 << 1 << 2 << QList<int>{1, 0, 1, 0}
                            << false;
}

void tst_ViewCommands::stateChange()
{
    QFETCH(QString, command);
    QFETCH(int, ampScale);
    QFETCH(double, scaleFactor);
    QFETCH(int, zeroDc);
    QFETCH(int, timeScale);
    QFETCH(QList<int>, labels);
    QFETCH(bool, redraw);

    DisplayState ds = Start();
    QVERIFY(Commands().contains(command));
    QCOMPARE(Commands().value(command)(ds), redraw);
    QCOMPARE(ds.AmpScale, ampScale);
    QCOMPARE(ds.ScaleFactor, scaleFactor);
    QCOMPARE(ds.ZeroDcOffset, zeroDc);
    QCOMPARE(ds.TimeScale, timeScale);
    QCOMPARE((QList<int>{ds.TimeLable, ds.MinMaxLable, ds.MeanRangeLable, ds.VoltsLable}), labels);
}

// Without bounds the factor reaches 0 after about 1075 halvings and infinity after 1024
// doublings; either collapses every trace.
void tst_ViewCommands::amplitudeStaysFinite()
{
    DisplayState ds;
    ViewCommands::SetScaleUp(ds);
    ViewCommands::SetScaleUp(ds);
    QCOMPARE(ds.ScaleFactor, 0.25);
    for (int i = 0; i < 2000; ++i)
        ViewCommands::SetScaleUp(ds);
    QVERIFY(ds.ScaleFactor > 0.0);
    QCOMPARE(ds.ScaleFactor, kMinScaleFactor);
    for (int i = 0; i < 4000; ++i)
        ViewCommands::SetScaleDown(ds);
    QVERIFY(std::isfinite(ds.ScaleFactor));
    QCOMPARE(ds.ScaleFactor, kMaxScaleFactor);
}

void tst_ViewCommands::timeAndUnitMarks_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QList<bool>>("time");  // common, channel, stream, DAS, CPU
    QTest::addColumn<QList<bool>>("units"); // volts, ground, counts

    QTest::newRow("0") << 0 << QList<bool>{false, true, false, false, false}
                       << QList<bool>{false, false, true};
    QTest::newRow("1") << 1 << QList<bool>{true, false, false, false, false}
                       << QList<bool>{true, false, false};
    QTest::newRow("2") << 2 << QList<bool>{false, false, true, false, false}
                       << QList<bool>{false, true, false};
    QTest::newRow("3") << 3 << QList<bool>{false, false, false, true, false}
                       << QList<bool>{false, false, false};
    QTest::newRow("4") << 4 << QList<bool>{false, false, false, false, true}
                       << QList<bool>{false, false, false};
    QTest::newRow("7") << 7 << QList<bool>{false, false, false, false, false}
                       << QList<bool>{false, false, false};
}

void tst_ViewCommands::timeAndUnitMarks()
{
    QFETCH(int, value);
    QFETCH(QList<bool>, time);
    QFETCH(QList<bool>, units);

    DisplayState ds;
    ds.TimeScale = value;
    ds.VoltsLable = value;
    const TimeMarks t = TimeMarksOf(ds);
    const UnitMarks u = UnitMarksOf(ds);
    QCOMPARE((QList<bool>{t.Common, t.Channel, t.Stream, t.Das, t.Cpu}), time);
    QCOMPARE((QList<bool>{u.Volts, u.Ground, u.Counts}), units);
}

void tst_ViewCommands::dialogAnswers()
{
    QColor color(1, 2, 3);
    QVERIFY(!ViewCommands::TakeColor(color, QColor()));
    QCOMPARE(color, QColor(1, 2, 3));
    QVERIFY(ViewCommands::TakeColor(color, QColor(12, 34, 56)));
    QCOMPARE(color, QColor(12, 34, 56));

    QFont font(QStringLiteral("Arial"), 7);
    const QFont other(QStringLiteral("Arial"), 12);
    QVERIFY(!ViewCommands::TakeFont(font, other, false));
    QCOMPARE(font.pointSize(), 7);
    QVERIFY(ViewCommands::TakeFont(font, other, true));
    QCOMPARE(font.pointSize(), 12);
}

QTEST_MAIN(tst_ViewCommands)
#include "tst_viewcommands.moc"
