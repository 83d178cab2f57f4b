#include "app/connectioncommands.h"
#include "app/monitortick.h"
#include "app/programstate.h"
#include "app/settingsstore.h"
#include "store/packetring.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

// Writes the INI text as an operator would edit it.
void WriteIni(const QString& path, const QByteArray& body)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray("[ovqt_dislay]\n" + body + "\n"));
}

QVariant Field(const ProgramState& st, const QString& name)
{
    const ConnectionState& c = st.Connection;
    const DisplayState& d = st.Display;
    const QMap<QString, std::function<QVariant()>> fields = {
        {QStringLiteral("PksdHost"), [&] { return QVariant(c.PksdHost); }},
        {QStringLiteral("PksdPort"), [&] { return QVariant(int(c.PksdPort)); }},
        {QStringLiteral("KeepSel"), [&] { return QVariant(st.Store.KeepSel); }},
        {QStringLiteral("TextColor"), [&] { return QVariant(d.textColor); }},
        {QStringLiteral("AxesColor"), [&] { return QVariant(d.axesColor); }},
        {QStringLiteral("BackGroundColor"), [&] { return QVariant(d.backgroundColor); }},
        {QStringLiteral("AutoStartMonitor"), [&] { return QVariant(c.AutoStartMonitor); }},
        {QStringLiteral("AutoStartPKSD"), [&] { return QVariant(c.AutoStartPKSD); }},
        {QStringLiteral("SortColumn"), [&] { return QVariant(st.Catalogue.SortColumn); }},
        {QStringLiteral("SortOrder"), [&] { return QVariant(st.Catalogue.SortOrder); }},
        {QStringLiteral("TimeRange"), [&] { return QVariant(d.TimeRange); }},
        {QStringLiteral("TimeShift"), [&] { return QVariant(d.TimeShift); }},
        {QStringLiteral("NringBuffer"), [&] { return QVariant(int(st.Store.NringBuffer)); }},
        {QStringLiteral("TimeLable"), [&] { return QVariant(d.TimeLable); }},
        {QStringLiteral("MinMaxLable"), [&] { return QVariant(d.MinMaxLable); }},
        {QStringLiteral("MeanRangeLable"), [&] { return QVariant(d.MeanRangeLable); }},
        {QStringLiteral("VoltsLable"), [&] { return QVariant(d.VoltsLable); }},
        {QStringLiteral("ZeroDcOffset"), [&] { return QVariant(d.ZeroDcOffset); }},
        {QStringLiteral("AmpScale"), [&] { return QVariant(d.AmpScale); }},
        {QStringLiteral("TimeScale"), [&] { return QVariant(d.TimeScale); }},
        {QStringLiteral("ScaleFactor"), [&] { return QVariant(d.ScaleFactor); }},
        {QStringLiteral("NoDataWarning"), [&] { return QVariant(c.NoDataWarning); }},
        {QStringLiteral("NoDataReconnect"), [&] { return QVariant(c.NoDataReconnect); }},
    };
    return fields.value(name)();
}

const QStringList kKeyOrder = {
    QStringLiteral("TextColor"),        QStringLiteral("AxesColor"),
    QStringLiteral("BackGroundColor"),  QStringLiteral("PksdHost"),
    QStringLiteral("PksdPort"),         QStringLiteral("SortColumn"),
    QStringLiteral("SortOrder"),        QStringLiteral("KeepSel"),
    QStringLiteral("AutoStartMonitor"), QStringLiteral("AutoStartPKSD"),
    QStringLiteral("TimeRange"),        QStringLiteral("TimeShift"),
    QStringLiteral("NringBuffer"),      QStringLiteral("TimeLable"),
    QStringLiteral("MinMaxLable"),      QStringLiteral("MeanRangeLable"),
    QStringLiteral("VoltsLable"),       QStringLiteral("ZeroDcOffset"),
    QStringLiteral("AmpScale"),         QStringLiteral("TimeScale"),
    QStringLiteral("ScaleFactor"),      QStringLiteral("NoDataWarning"),
    QStringLiteral("NoDataReconnect"),
};

DasStreamChanInfo Channel(std::uint16_t das, std::uint16_t stream, std::uint16_t channel)
{
    DasStreamChanInfo e;
    e.DasId = das;
    e.Stream = stream;
    e.Channel = channel;
    e.Active = 1;
    e.Name = QStringLiteral("HHZ");
    e.SampleRate = 100.0;
    e.BitWeight = 1.5;
    e.VoltsPerUnit = 0.25;
    e.UnitCode = QStringLiteral("m/s");
    e.TraceColor = Rgb{12, 34, 56};
    return e;
}

} // namespace

class tst_SettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void keysInOrder();
    void roundTrip();
    void missingKeysGiveDefaults();
    void hostileValues_data();
    void hostileValues();
    void absoluteScaleKeepsDcOff();
    void channelSubtreeReplaced();
    void saveWithoutChannelsDropsSubtree();
    void ringFailureText();
    void monitorTick_data();
    void monitorTick();

private:
    QTemporaryDir dir_;
    QString path_;
};

void tst_SettingsStore::init()
{
    QVERIFY(dir_.isValid());
    // A fresh name each time: the settings cache cannot tell apart two files of one size
    // written within the same second.
    static int serial = 0;
    path_ = dir_.filePath(QStringLiteral("ovqt_display%1.ini").arg(++serial));
}

void tst_SettingsStore::keysInOrder()
{
    ProgramState st;
    QStringList keys;
    for (const auto& [key, value] : SettingsSnapshot(st))
        keys << key;
    QStringList expected;
    for (const QString& k : kKeyOrder)
        expected << QStringLiteral("/ovqt_dislay/") + k;
    QCOMPARE(keys, expected);
}

void tst_SettingsStore::roundTrip()
{
    ProgramState st;
    st.Display.textColor = QColor(12, 34, 56);
    st.Display.axesColor = QColor(1, 2, 3);
    st.Display.backgroundColor = QColor(200, 100, 50);
    st.Connection.PksdHost = QStringLiteral("pksd.example");
    st.Connection.PksdPort = 65535;
    st.Catalogue.SortColumn = 3;
    st.Catalogue.SortOrder = 0;
    st.Store.KeepSel = 0;
    st.Connection.AutoStartMonitor = 1;
    st.Connection.AutoStartPKSD = 1;
    st.Display.TimeRange = 77;
    st.Display.TimeShift = -30;
    st.Store.NringBuffer = 4321;
    st.Display.TimeLable = 0;
    st.Display.MinMaxLable = 0;
    st.Display.MeanRangeLable = 0;
    st.Display.VoltsLable = 2;
    st.Display.ZeroDcOffset = 1;
    st.Display.AmpScale = 3;
    st.Display.TimeScale = 4;
    st.Display.ScaleFactor = 0.125;
    {
        QSettings s(path_, QSettings::IniFormat);
        WriteStoredSettings(s, st);
    }

    QFile f(path_);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    for (const QByteArray& line : {QByteArrayLiteral("TextColor=\"(12,34,56)\""),
                                   QByteArrayLiteral("AxesColor=\"(1,2,3)\""),
                                   QByteArrayLiteral("BackGroundColor=\"(200,100,50)\""),
                                   QByteArrayLiteral("PksdHost=pksd.example"),
                                   QByteArrayLiteral("PksdPort=65535"),
                                   QByteArrayLiteral("SortColumn=3"),
                                   QByteArrayLiteral("SortOrder=0"),
                                   QByteArrayLiteral("KeepSel=0"),
                                   QByteArrayLiteral("AutoStartMonitor=1"),
                                   QByteArrayLiteral("AutoStartPKSD=1"),
                                   QByteArrayLiteral("TimeRange=77"),
                                   QByteArrayLiteral("TimeShift=-30"),
                                   QByteArrayLiteral("NringBuffer=4321"),
                                   QByteArrayLiteral("TimeLable=0"),
                                   QByteArrayLiteral("MinMaxLable=0"),
                                   QByteArrayLiteral("MeanRangeLable=0"),
                                   QByteArrayLiteral("VoltsLable=2"),
                                   QByteArrayLiteral("ZeroDcOffset=1"),
                                   QByteArrayLiteral("AmpScale=3"),
                                   QByteArrayLiteral("TimeScale=4"),
                                   QByteArrayLiteral("ScaleFactor=0.125")})
        QVERIFY2(text.contains(QByteArray("\n" + line + "\n")), line.constData());
    QVERIFY(text.startsWith("[ovqt_dislay]\n"));

    ProgramState back;
    QSettings s(path_, QSettings::IniFormat);
    ReadStoredSettings(s, back);
    for (const QString& k : kKeyOrder)
        QVERIFY2(Field(back, k) == Field(st, k), qPrintable(k));
}

void tst_SettingsStore::missingKeysGiveDefaults()
{
    ProgramState st;
    QSettings s(path_, QSettings::IniFormat);
    ReadStoredSettings(s, st);
    const ProgramState fresh;
    for (const QString& k : kKeyOrder)
        QVERIFY2(Field(st, k) == Field(fresh, k), qPrintable(k));
    QCOMPARE(st.Connection.PksdHost, QStringLiteral("localhost"));
    QCOMPARE(st.Display.backgroundColor, QColor(0, 0, 0));
}

void tst_SettingsStore::hostileValues_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("expected");

    auto row = [](const char* name, const char* line, const char* field, const QVariant& v) {
        QTest::newRow(name) << QByteArray(line) << QString::fromLatin1(field) << v;
    };
    row("range zero", "TimeRange=0", "TimeRange", 120);
    row("range negative", "TimeRange=-5", "TimeRange", 120);
    row("range text", "TimeRange=abc", "TimeRange", 120);
    row("range beyond 32 bits", "TimeRange=99999999999", "TimeRange", 120);
    row("range fraction", "TimeRange=1.5", "TimeRange", 120);
    row("range as a rectangle", "TimeRange=@Rect(1 2 3 4)", "TimeRange", 120);
    row("range as a list", "TimeRange=1, 2", "TimeRange", 120);
    row("range kept", "TimeRange=7", "TimeRange", 7);
    row("shift beyond 32 bits", "TimeShift=-4294967296", "TimeShift", 0);
    row("shift text", "TimeShift=x", "TimeShift", 0);
    row("shift negative kept", "TimeShift=-3600", "TimeShift", -3600);
    row("ring zero", "NringBuffer=0", "NringBuffer", 1000);
    row("ring negative", "NringBuffer=-1", "NringBuffer", 1000);
    row("ring beyond 32 bits", "NringBuffer=2147483648", "NringBuffer", 1000);
    row("ring huge kept for the allocator", "NringBuffer=2147483647", "NringBuffer", 2147483647);
    row("port beyond 16 bits", "PksdPort=70000", "PksdPort", 2543);
    row("port negative", "PksdPort=-1", "PksdPort", 2543);
    row("port text", "PksdPort=http", "PksdPort", 2543);
    row("port zero kept", "PksdPort=0", "PksdPort", 0);
    row("port top kept", "PksdPort=65535", "PksdPort", 65535);
    row("scale mode 4", "AmpScale=4", "AmpScale", 0);
    row("scale mode negative", "AmpScale=-1", "AmpScale", 0);
    row("scale mode lock", "AmpScale=3", "AmpScale", 3);
    row("time mode 7", "TimeScale=7", "TimeScale", 0);
    row("time mode cpu", "TimeScale=4", "TimeScale", 4);
    row("units 3", "VoltsLable=3", "VoltsLable", 0);
    row("units ground", "VoltsLable=2", "VoltsLable", 2);
    row("sort column 5", "SortColumn=5", "SortColumn", 0);
    row("sort order 2", "SortOrder=2", "SortOrder", 1);
    row("keep 2", "KeepSel=2", "KeepSel", 1);
    row("keep off", "KeepSel=0", "KeepSel", 0);
    row("label flag text", "TimeLable=yes", "TimeLable", 1);
    row("label flag 9", "MinMaxLable=9", "MinMaxLable", 1);
    row("label flag off", "MeanRangeLable=0", "MeanRangeLable", 0);
    row("auto-start 5", "AutoStartPKSD=5", "AutoStartPKSD", 0);
    row("factor zero", "ScaleFactor=0", "ScaleFactor", 1.0);
    row("factor negative", "ScaleFactor=-2", "ScaleFactor", 1.0);
    row("factor nan", "ScaleFactor=nan", "ScaleFactor", 1.0);
    row("factor inf", "ScaleFactor=inf", "ScaleFactor", 1.0);
    row("factor text", "ScaleFactor=big", "ScaleFactor", 1.0);
    row("factor kept", "ScaleFactor=0.25", "ScaleFactor", 0.25);
    row("colour two parts", "TextColor=\"(1,2)\"", "TextColor", QColor(255, 255, 0));
    row("colour word", "AxesColor=cyan", "AxesColor", QColor(0, 255, 255));
    row("colour empty", "BackGroundColor=", "BackGroundColor", QColor(0, 0, 0));
    row("colour unquoted", "TextColor=(12,34,56)", "TextColor", QColor(12, 34, 56));
    row("colour out of range", "TextColor=\"(300,-5,7)\"", "TextColor", QColor(255, 0, 7));
    row("host with commas", "PksdHost=a,b", "PksdHost", QStringLiteral("a,b"));
    const QByteArray longHost = "PksdHost=" + QByteArray(1000, 'h');
    QTest::newRow("host of 1000 characters")
        << longHost << QStringLiteral("PksdHost") << QVariant(QString(1000, QLatin1Char('h')));
}

void tst_SettingsStore::hostileValues()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, field);
    QFETCH(QVariant, expected);

    WriteIni(path_, line);
    ProgramState st;
    QSettings s(path_, QSettings::IniFormat);
    ReadStoredSettings(s, st);
    QCOMPARE(Field(st, field), expected);
}

void tst_SettingsStore::absoluteScaleKeepsDcOff()
{
    WriteIni(path_, "AmpScale=1\nZeroDcOffset=1");
    ProgramState st;
    QSettings s(path_, QSettings::IniFormat);
    ReadStoredSettings(s, st);
    QCOMPARE(st.Display.AmpScale, 1);
    QCOMPARE(st.Display.ZeroDcOffset, 0);
}

void tst_SettingsStore::channelSubtreeReplaced()
{
    WriteIni(path_, "DasStreamChanInfo\\11110101\\Active=1\n"
                    "DasStreamChanInfo\\11110101\\Name=OLD\n"
                    "DasStreamChanInfo\\22220000\\Stray=1\n"
                    "DasStreamChanInfo\\9A3C0002\\Name=STALE");
    ProgramState st;
    st.Catalogue.Entries.push_back(Channel(0x9A3C, 0, 2));
    {
        QSettings s(path_, QSettings::IniFormat);
        WriteStoredSettings(s, st);
    }
    QSettings s(path_, QSettings::IniFormat);
    s.beginGroup(QStringLiteral("/ovqt_dislay/DasStreamChanInfo"));
    QCOMPARE(s.childGroups(), QStringList{QStringLiteral("9A3C0002")});
    s.beginGroup(QStringLiteral("9A3C0002"));
    QCOMPARE(s.childKeys().size(), 7);
    QCOMPARE(s.value(QStringLiteral("Active")).toInt(), 1);
    QCOMPARE(s.value(QStringLiteral("Name")).toString(), QStringLiteral("HHZ"));
    QCOMPARE(s.value(QStringLiteral("SampleRate")).toDouble(), 100.0);
    QCOMPARE(s.value(QStringLiteral("BitWeight")).toDouble(), 1.5);
    QCOMPARE(s.value(QStringLiteral("VoltsPerUnit")).toDouble(), 0.25);
    QCOMPARE(s.value(QStringLiteral("UnitCode")).toString(), QStringLiteral("m/s"));
    QCOMPARE(s.value(QStringLiteral("TraceColor")).toString(), QStringLiteral("(12,34,56)"));
}

void tst_SettingsStore::saveWithoutChannelsDropsSubtree()
{
    WriteIni(path_, "DasStreamChanInfo\\11110101\\Active=1");
    ProgramState st;
    {
        QSettings s(path_, QSettings::IniFormat);
        WriteStoredSettings(s, st);
    }
    QSettings s(path_, QSettings::IniFormat);
    s.beginGroup(QStringLiteral("ovqt_dislay"));
    QCOMPARE(s.childGroups(), QStringList());
    QCOMPARE(s.childKeys().size(), 23);
}

// A ring of 2^31 - 1 slots is far beyond an int of bytes or of kilobytes.
void tst_SettingsStore::ringFailureText()
{
    const qint64 kb = RingBytes(2147483647) / 1024;
    QVERIFY(kb > 2147483647);
    QCOMPARE(StartupRingFailureText(2147483647), QStringLiteral("Couldn't allocate %1kB").arg(kb));
    QCOMPARE(StartupRingFailureText(1024),
             QStringLiteral("Couldn't allocate %1kB").arg(qint64(kRingSlotBytes)));
}

void tst_SettingsStore::monitorTick_data()
{
    QTest::addColumn<int>("timeScale");
    QTest::addColumn<int>("newData");
    QTest::addColumn<bool>("redraws");
    QTest::newRow("new data") << 0 << 1 << true;
    QTest::newRow("nothing new") << 0 << 0 << false;
    QTest::newRow("common time, nothing new") << 1 << 0 << false;
    QTest::newRow("cpu clock, nothing new") << 4 << 0 << true;
}

void tst_SettingsStore::monitorTick()
{
    QFETCH(int, timeScale);
    QFETCH(int, newData);
    QFETCH(bool, redraws);
    QCOMPARE(MonitorTickRedraws(timeScale, newData), redraws);
}

QTEST_MAIN(tst_SettingsStore)
#include "tst_settingsstore.moc"
