#include "app/monitortick.h"
#include "app/programstate.h"
#include "app/settingsstore.h"
#include "tests/common/inifile.h"

#include <QTest>

namespace {

// The value the state would store under key, as the store writes it.
QVariant Stored(const ProgramState& st, const QString& key)
{
    for (const auto& [k, v] : SettingsSnapshot(st))
        if (k == StoredKey(qPrintable(key)))
            return v;
    return {};
}

} // namespace

class tst_SettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void savedTextIsTheStoresFormatAndReadsBack()
    {
        ProgramState st;
        st.Display.textColor = QColor(12, 34, 56);
        st.Connection.PksdHost = QStringLiteral("pksd.example");
        st.Connection.PksdPort = 65535;
        st.Catalogue.SortOrder = 0;
        st.Connection.AutoStartPKSD = 1;
        st.Display.TimeShift = -30;
        st.Store.NringBuffer = 4321;
        st.Display.VoltsLable = 2;
        st.Display.AmpScale = 3;
        st.Display.TimeScale = 4;
        st.Display.ScaleFactor = 0.125;
        st.Connection.NoDataReconnect = 0;
        const QString path = WriteIni(dir_, {});
        WriteStoredSettings(*OpenSettingsStore(path), st);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.value(0), QByteArray("[ovqt_dislay]"));
        for (const char* line :
             {"TextColor=\"(12,34,56)\"", "AxesColor=\"(0,255,255)\"", "PksdHost=pksd.example",
              "PksdPort=65535", "SortOrder=0", "AutoStartPKSD=1", "TimeRange=120", "TimeShift=-30",
              "NringBuffer=4321", "VoltsLable=2", "AmpScale=3", "TimeScale=4", "ScaleFactor=0.125",
              "NoDataWarning=60", "NoDataReconnect=0"})
            QVERIFY2(lines.contains(line), line);
        QCOMPARE(lines.size(), 1 + 23 + 1);

        ProgramState back;
        ReadStoredSettings(*OpenSettingsStore(path), back);
        QCOMPARE(SettingsSnapshot(back), SettingsSnapshot(st));
    }

    void hostileValuesKeepTheirDefaults_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QVariant>("expected"); // what the store would then hold for the key
        const auto row = [](const char* name, const char* line, const QVariant& v) {
            QTest::newRow(name) << QByteArray(line) << v;
        };
        row("range zero would spin the timer", "TimeRange=0", 120);
        row("range beyond 32 bits", "TimeRange=99999999999", 120);
        row("range as a list", "TimeRange=1, 2", 120);
        row("range kept", "TimeRange=7", 7);
        row("range of one second kept", "TimeRange=1", 1);
        row("shift beyond 32 bits", "TimeShift=-4294967296", 0);
        row("shift negative kept", "TimeShift=-3600", -3600);
        row("ring zero", "NringBuffer=0", 1000);
        row("ring 2^31 wraps negative", "NringBuffer=2147483648", 1000);
        row("ring huge kept for the allocator", "NringBuffer=2147483647", 2147483647);
        row("port beyond 16 bits", "PksdPort=70000", 2543);
        row("port zero kept", "PksdPort=0", 0);
        row("scale mode 4", "AmpScale=4", 0);
        row("scale mode a word", "AmpScale=banana", 0);
        row("time mode 7", "TimeScale=7", 0);
        row("time mode cpu kept", "TimeScale=4", 4);
        row("units 3", "VoltsLable=3", 0);
        row("sort order 2", "SortOrder=2", 1);
        row("keep 2", "KeepSel=2", 1);
        row("label flag 9", "MinMaxLable=9", 1);
        row("auto-start 5", "AutoStartPKSD=5", 0);
        row("factor zero", "ScaleFactor=0", 1.0);
        row("factor nan", "ScaleFactor=nan", 1.0);
        row("factor kept", "ScaleFactor=0.25", 0.25);
        row("warning after negative", "NoDataWarning=-1", 60);
        row("reconnect after negative", "NoDataReconnect=-1", 600);
        row("reconnect off kept", "NoDataReconnect=0", 0);
        row("colour two parts", "TextColor=\"(1,2)\"", QStringLiteral("(255,255,0)"));
        row("colour unquoted", "AxesColor=(12,34,56)", QStringLiteral("(12,34,56)"));
        row("host with commas", "PksdHost=a,b", QStringLiteral("a,b"));
    }
    void hostileValuesKeepTheirDefaults()
    {
        QFETCH(QByteArray, line);
        ProgramState st;
        ReadStoredSettings(*IniWith(dir_, line), st);
        QTEST(Stored(st, QString::fromLatin1(line.left(line.indexOf('=')))), "expected");
    }

    void monitorTickRedrawsOnDataOrTheClock_data()
    {
        QTest::addColumn<int>("timeScale");
        QTest::addColumn<int>("newData");
        QTest::addColumn<bool>("redraws");
        QTest::newRow("new data") << 0 << 1 << true;
        QTest::newRow("nothing new") << 1 << 0 << false;
        QTest::newRow("cpu clock, nothing new") << 4 << 0 << true;
    }
    void monitorTickRedrawsOnDataOrTheClock()
    {
        QFETCH(int, timeScale);
        QFETCH(int, newData);
        QTEST(MonitorTickRedraws(timeScale, newData), "redraws");
    }

private:
    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(tst_SettingsStore)
#include "tst_settingsstore.moc"
