// The real main window, offscreen, against a real pksd-sim: every packet the simulator sent
// ends up in the ring with exactly its samples, and its channels in the catalogue.
#include "app/ovqt_displaymainwindow.h"
#include "app/programstate.h"
#include "display/tracelabels.h"
#include "link/bytespan.h"
#include "link/frame.h"
#include "packets/dtpacket.h"
#include "tests/common/commalocale.h"
#include "tests/common/inifile.h"
#include "tests/common/pksdsimprocess.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <locale.h>
#include <memory>
#include <vector>

namespace {

// The DT payloads of a capture, in the order they were sent.
std::vector<QByteArray> DtPayloads(const QByteArray& capture)
{
    std::vector<QByteArray> out;
    std::span<const std::uint8_t> rest = ByteSpan(capture);
    for (Frame f = ReadFrame(rest); f.Outcome == FrameOutcome::Whole; f = ReadFrame(rest)) {
        const QByteArray payload(reinterpret_cast<const char*>(f.Payload.data()),
                                 static_cast<qsizetype>(f.Payload.size()));
        if (payload.size() == 1024 && payload.startsWith("DT"))
            out.push_back(payload);
        rest = rest.subspan(f.Size());
    }
    return out;
}

int StoredPackets(const PacketStore& store)
{
    int n = 0;
    for (int i = 0; i < store.AllocatedSlots; ++i)
        n += store.PacketRing[static_cast<std::size_t>(i)].SampleCount > 0 ? 1 : 0;
    return n;
}

// A store in dir that connects to the simulator and starts the monitor by itself, and more.
QString AutoStartIni(const QTemporaryDir& dir, quint16 port, const QByteArray& more)
{
    return WriteIni(dir, "PksdHost=127.0.0.1\nPksdPort=" + QByteArray::number(port) +
                             "\nAutoStartPKSD=1\nAutoStartMonitor=1\n" + more);
}

// The value labels in volts and ground units, as C's printf writes them whatever the desktop's
// locale: the oracle formats under the "C" locale object, the program under the process's.
void LabelsReadAsInTheCLocale(ovqt_displayMainWindow& window, ProgramState& state)
{
    window.DrawDT();
    const locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
    QVERIFY(c);
    const auto inC = [c](const char* format, double value, const QString& unit) -> QString {
        const locale_t before = uselocale(c);
        char text[64];
        std::snprintf(text, sizeof text, format, value);
        uselocale(before);
        return QString::fromLatin1(text) + unit;
    };
    for (const DasStreamChanInfo& e : state.Catalogue.Entries) {
        QCOMPARE(e.BitWeight, 1.5e-6);
        QCOMPARE(e.VoltsPerUnit, 20.0);
        QCOMPARE(e.UnitCode, QStringLiteral("M/S"));
        DisplayState ds = state.Display;
        ds.VoltsLable = LabelVolts;
        QCOMPARE(MaxText(e, ds), inC("Max=%g", e.ScaleHigh * e.BitWeight, QStringLiteral("V")));
        QCOMPARE(MeanText(e, ds), inC("Mean=%g", e.Mean * e.BitWeight, QStringLiteral("V")));
        ds.VoltsLable = LabelGround;
        QCOMPARE(MinText(e, ds), inC("Min=%g", e.ScaleLow * e.BitWeight / 20.0, e.UnitCode));
    }
    freelocale(c);
}

} // namespace

class TstEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RequireCommaLocale(); }

    void ringHoldsWhatWasSent_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("keepSel");
        QTest::newRow("mixed formats, every channel kept") << "mixed" << 0;
        QTest::newRow("steim1, active channels kept") << "steim1" << 1;
    }
    void ringHoldsWhatWasSent()
    {
        QFETCH(QString, format);
        QFETCH(int, keepSel);
        constexpr int kPackets = 120;
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString capture = dir.filePath(QStringLiteral("sent.frames"));

        PksdSimProcess sim(QStringLiteral(PKSD_SIM_PATH));
        const QString args =
            QStringLiteral("--units 9A3C,12AB --channels 3 --fast --format %1 --count %2 --record");
        QVERIFY(sim.Start(args.arg(format).arg(kPackets).split(u' ') << capture));
        QByteArray more = "KeepSel=" + QByteArray::number(keepSel) + "\nNringBuffer=500\n";
        for (const char* unit : {"9A3C", "12AB"})
            for (const char* channel : {"00", "01", "02"})
                more += QByteArray("DasStreamChanInfo\\") + unit + "00" + channel + "\\Active=1\n";
        const QString ini = AutoStartIni(dir, sim.Port(), more);

        auto state = std::make_unique<ProgramState>();
        ovqt_displayMainWindow window(*state, ini);
        window.resize(1200, 800);
        window.show();
        window.LoadSettings();

        QTRY_COMPARE_WITH_TIMEOUT(StoredPackets(state->Store), kPackets, 20000);
        QCOMPARE(state->Catalogue.Count(), 6);
        for (const DasStreamChanInfo& e : state->Catalogue.Entries) {
            QVERIFY(e.DasId == 0x9A3C || e.DasId == 0x12AB);
            QCOMPARE(e.Active, 1);
            QVERIFY(e.SampleRate > 0.0); // from the event headers
        }

        QFile f(capture);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const std::vector<QByteArray> sent = DtPayloads(f.readAll());
        QCOMPARE(static_cast<int>(sent.size()), kPackets);
        auto expected = std::make_unique<DtPacket>();
        for (int i = 0; i < kPackets; ++i) {
            const QByteArray& bytes = sent[static_cast<std::size_t>(i)];
            QVERIFY(DecodeDtPacket(*expected, ByteSpan(bytes)));
            const DtPacket& got = state->Store.PacketRing[static_cast<std::size_t>(i)];
            QCOMPARE(got.DasId, expected->DasId);
            QCOMPARE(got.Channel, expected->Channel);
            QCOMPARE(got.Sequence, expected->Sequence);
            QCOMPARE(got.SampleCount, expected->SampleCount);
            QVERIFY(std::equal(got.Samples, got.Samples + got.SampleCount, expected->Samples));
        }
        QCOMPARE(state->Store.RingIndex, kPackets);
        LabelsReadAsInTheCLocale(window, *state);
    }

    // A modal dialog runs its own event loop: packets keep arriving and the monitor keeps
    // redrawing.
    void plotKeepsMovingUnderModalDialog()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        PksdSimProcess sim(QStringLiteral(PKSD_SIM_PATH));
        QVERIFY(sim.Start(QStringLiteral("--channels 2 --max-samples 10").split(u' ')));
        // A tick every 100 ms.
        const QString ini = AutoStartIni(
            dir, sim.Port(), "TimeRange=2\nKeepSel=0\nDasStreamChanInfo\\9A3C0000\\Active=1");
        auto state = std::make_unique<ProgramState>();
        ovqt_displayMainWindow window(*state, ini);
        window.resize(800, 600);
        window.show();
        window.LoadSettings();
        QTRY_VERIFY_WITH_TIMEOUT(StoredPackets(state->Store) > 0, 10000);

        int before = -1;
        int during = -1;
        bool redrawn = false;
        bool modal = false;
        QTimer::singleShot(0, &window, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            modal = dialog != nullptr;
            before = StoredPackets(state->Store);
            const bool grew =
                QTest::qWaitFor([&] { return StoredPackets(state->Store) >= before + 3; }, 10000);
            Q_UNUSED(grew) // judged below, once the dialog is closed
            during = StoredPackets(state->Store);
            redrawn = QTest::qWaitFor([&] { return state->Store.NewData == 0; }, 5000);
            if (auto* d = qobject_cast<QDialog*>(dialog))
                d->accept();
        });
        window.helpAboutAction->trigger();
        QVERIFY(modal);
        QVERIFY2(during >= before + 3,
                 qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(during)));
        QVERIFY(redrawn);
    }
};

QTEST_MAIN(TstEndToEnd)
#include "tst_endtoend.moc"
