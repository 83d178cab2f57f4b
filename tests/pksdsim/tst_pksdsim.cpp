#include "link/bytespan.h"
#include "simclient.h"

#include "tools/pksd-sim/epochtime.h"
#include "tools/pksd-sim/signalgenerator.h"

#include "packets/byteorder.h"
#include "packets/dtpacket.h"
#include "packets/eventheader.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <map>
#include <memory>
#include <set>
#include <tuple>

namespace {

constexpr qsizetype kFrame = 1030;

struct ChannelKey
{
    std::uint16_t unit;
    std::uint16_t stream;
    std::uint16_t channel;
    bool operator<(const ChannelKey& o) const
    {
        return std::tie(unit, stream, channel) < std::tie(o.unit, o.stream, o.channel);
    }
};

struct ChannelTrack
{
    std::unique_ptr<SignalGenerator> generator;
    int nextSequence = 0;
    DayTime nextTime;
    bool started = false;
};

bool IsDt(const WireFrame& f)
{
    return f.Payload.size() == 1024 && f.Payload.startsWith("DT");
}

std::span<const std::uint8_t> Bytes(const QByteArray& a)
{
    return ByteSpan(a);
}

} // namespace

class TestPksdSim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DetectByteOrder(); }

    void servesHeadersThenConsistentData_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("expectedFormat"); // 0: varies
        QTest::newRow("steim1") << QStringLiteral("steim1") << int(FormatSteim1);
        QTest::newRow("steim2") << QStringLiteral("steim2") << int(FormatSteim2);
        QTest::newRow("int16") << QStringLiteral("int16") << int(FormatInt16);
        QTest::newRow("int32") << QStringLiteral("int32") << int(FormatInt32);
        QTest::newRow("mixed") << QStringLiteral("mixed") << 0;
    }
    void servesHeadersThenConsistentData()
    {
        QFETCH(QString, format);
        QFETCH(int, expectedFormat);
        const int packets = 20;
        SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--units"), QStringLiteral("9A3C,9A3D"),
                           QStringLiteral("--channels"), QStringLiteral("3"),
                           QStringLiteral("--format"), format, QStringLiteral("--seed"),
                           QStringLiteral("7"), QStringLiteral("--count"), QString::number(packets),
                           QStringLiteral("--fast")}));
        SimClient client;
        QVERIFY(client.Connect(sim.Port()));
        client.SendHandshake();
        const QByteArray bytes = client.Read((2 + packets) * kFrame);
        QCOMPARE(bytes.size(), (2 + packets) * kFrame);
        QVERIFY(client.Read(1, 100).isEmpty()); // --count holds back the rest

        const std::vector<WireFrame> frames = SplitFrames(bytes);
        QCOMPARE(int(frames.size()), 2 + packets);
        std::map<ChannelKey, ChannelTrack> tracks;
        std::map<std::uint16_t, EventHeaderInfo> headers;
        auto slot = std::make_unique<DtPacket>();
        std::set<int> formats;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const WireFrame& frame = frames[i];
            QCOMPARE(frame.Declared, 1024);
            if (i < 2) {
                QVERIFY(frame.Payload.startsWith("EH"));
                EventHeaderInfo info;
                QVERIFY(ParseEventHeader(Bytes(frame.Payload), info));
                QCOMPARE(info.SampleRate, 100.0);
                QCOMPARE(info.Positions[0].BitWeight, 1.5e-6);
                QCOMPARE(info.Positions[0].Kind, UnitKind::V);
                QVERIFY(info.Positions[2].VoltsPerUnit > 0.0);
                QCOMPARE(info.Positions[3].BitWeight, 0.0);
                headers[info.DasId] = info;
                continue;
            }
            QVERIFY(IsDt(frame));
            QVERIFY(DecodeDtPacket(*slot, Bytes(frame.Payload)));
            QVERIFY(headers.count(slot->DasId) == 1);
            QCOMPARE(slot->Stream, std::uint16_t(0));
            QVERIFY(slot->Channel < 3);
            QVERIFY(slot->SampleCount > 0);
            formats.insert(slot->Format);
            if (expectedFormat != 0)
                QCOMPARE(int(slot->Format), expectedFormat);

            ChannelTrack& track = tracks[{slot->DasId, slot->Stream, slot->Channel}];
            if (!track.started) {
                track.generator = std::make_unique<SignalGenerator>(7, slot->DasId, slot->Stream,
                                                                    slot->Channel, 100.0);
                track.started = true;
            } else {
                QCOMPARE(slot->Time.Day, track.nextTime.Day);
                QCOMPARE(slot->Time.Msec, track.nextTime.Msec);
            }
            QCOMPARE(int(slot->Sequence), track.nextSequence);
            ++track.nextSequence;
            track.nextTime = TimeAdd(slot->Time, slot->SampleCount * 10.0);
            for (int s = 0; s < slot->SampleCount; ++s)
                QCOMPARE(slot->Samples[s], track.generator->Next());
        }
        QVERIFY(tracks.size() >= 4);
        if (expectedFormat == 0)
            QVERIFY(formats.size() >= 3);
    }

    // Paced by the clock: a packet leaves once its last sample lies in the past, and the
    // backfill starts the data that far back.
    void backfillStartsInThePastAndNoPacketComesEarly()
    {
        SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--backfill"), QStringLiteral("30"),
                           QStringLiteral("--max-samples"), QStringLiteral("50"),
                           QStringLiteral("--count"), QStringLiteral("12")}));
        SimClient client;
        QVERIFY(client.Connect(sim.Port()));
        client.SendHandshake();
        const std::int64_t connectedMs = QDateTime::currentMSecsSinceEpoch();
        QVERIFY(client.Read(kFrame).mid(6, 2) == "EH");
        auto slot = std::make_unique<DtPacket>();
        for (int i = 0; i < 12; ++i) {
            const QByteArray frame = client.Read(kFrame);
            const std::int64_t receivedMs = QDateTime::currentMSecsSinceEpoch();
            QCOMPARE(frame.size(), kFrame);
            QVERIFY(DecodeDtPacket(*slot, Bytes(frame.mid(6))));
            QCOMPARE(int(slot->SampleCount), 50);
            const std::int64_t startMs = EpochMsFromDayTime(slot->Time);
            QVERIFY(startMs + 500 <= receivedMs);
            if (i == 0) {
                QVERIFY(startMs <= connectedMs - 29000);
                QVERIFY(startMs >= connectedMs - 90000);
            }
        }
    }

    void recordedCaptureReplays()
    {
        QTemporaryDir dir;
        const QString capture = dir.filePath(QStringLiteral("capture.bin"));
        QByteArray received;
        {
            SimProcess sim;
            QVERIFY(sim.Start({QStringLiteral("--record"), capture, QStringLiteral("--fast"),
                               QStringLiteral("--count"), QStringLiteral("10"),
                               QStringLiteral("--close-at-end"), QStringLiteral("--format"),
                               QStringLiteral("mixed")}));
            SimClient client;
            QVERIFY(client.Connect(sim.Port()));
            client.SendHandshake();
            received = client.ReadToClose();
        }
        QCOMPARE(received.size(), 11 * kFrame);
        QFile file(capture);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), received);

        SimProcess replay;
        QVERIFY(replay.Start({QStringLiteral("--replay"), capture, QStringLiteral("--fast"),
                              QStringLiteral("--close-at-end")}));
        SimClient client;
        QVERIFY(client.Connect(replay.Port()));
        client.SendHandshake();
        QCOMPARE(client.ReadToClose(), received);
    }

    void loopedReplayStartsAgainUntilTheCount()
    {
        QTemporaryDir dir;
        const QString capture = dir.filePath(QStringLiteral("capture.bin"));
        {
            SimProcess sim;
            QVERIFY(sim.Start({QStringLiteral("--record"), capture, QStringLiteral("--fast"),
                               QStringLiteral("--count"), QStringLiteral("10"),
                               QStringLiteral("--close-at-end")}));
            SimClient client;
            QVERIFY(client.Connect(sim.Port()));
            client.SendHandshake();
            QCOMPARE(client.ReadToClose().size(), 11 * kFrame);
        }
        QFile file(capture);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray once = file.readAll();

        SimProcess replay;
        QVERIFY(replay.Start({QStringLiteral("--replay"), capture, QStringLiteral("--loop"),
                              QStringLiteral("--fast"), QStringLiteral("--count"),
                              QStringLiteral("25"), QStringLiteral("--close-at-end")}));
        SimClient client;
        QVERIFY(client.Connect(replay.Port()));
        client.SendHandshake();
        // Two whole passes, then the event header and five data packets of the third.
        const QByteArray thrice = once + once + once;
        QCOMPARE(client.ReadToClose(), thrice.left(28 * kFrame));
    }

    void reconnectedClientGetsDataAgain()
    {
        SimProcess sim;
        QVERIFY(
            sim.Start({QStringLiteral("--fast"), QStringLiteral("--count"), QStringLiteral("3")}));
        for (int round = 0; round < 2; ++round) {
            SimClient client;
            QVERIFY(client.Connect(sim.Port()));
            client.SendHandshake();
            const QByteArray bytes = client.Read(4 * kFrame);
            QCOMPARE(bytes.size(), 4 * kFrame);
            QVERIFY(bytes.mid(6, 2) == "EH");
            client.Close();
        }
        QVERIFY(sim.Log().contains(QStringLiteral("connection 2 handshake 3 ok")));
    }

    void handshakeMismatchIsLogged()
    {
        SimProcess sim;
        QVERIFY(
            sim.Start({QStringLiteral("--fast"), QStringLiteral("--count"), QStringLiteral("1")}));
        SimClient client;
        QVERIFY(client.Connect(sim.Port()));
        QByteArray bytes = QByteArray::fromHex("000100000000"
                                               "000b00000024"
                                               "00000001");
        bytes += QByteArray("OTHER").leftJustified(32, '\0');
        bytes += QByteArray::fromHex("00030000001c") + QByteArray(28, '\0');
        client.Socket().write(bytes);
        QCOMPARE(client.Read(2 * kFrame).size(), 2 * kFrame);
        const QString log = sim.Log();
        QVERIFY(log.contains(QStringLiteral("handshake 1 ok")));
        QVERIFY(log.contains(QStringLiteral("handshake 2 mismatch")));
        QVERIFY(log.contains(QStringLiteral("handshake 3 mismatch")));
    }

    void faultIsInjected_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("logged");
        QTest::newRow("type0") << QStringLiteral("--fault-type0") << QStringLiteral("fault type0");
        QTest::newRow("bad length")
            << QStringLiteral("--fault-bad-length") << QStringLiteral("fault bad-length 1025");
        QTest::newRow("short dt") << QStringLiteral("--fault-short-dt")
                                  << QStringLiteral("fault short-dt 1000");
        QTest::newRow("unknown type")
            << QStringLiteral("--fault-unknown-type") << QStringLiteral("fault unknown-type XX");
        QTest::newRow("et") << QStringLiteral("--fault-et") << QStringLiteral("fault et");
        QTest::newRow("garbage") << QStringLiteral("--fault-garbage")
                                 << QStringLiteral("fault garbage");
        QTest::newRow("close") << QStringLiteral("--close-after")
                               << QStringLiteral("fault close after 3 frames");
    }
    void faultIsInjected()
    {
        QFETCH(QString, option);
        QFETCH(QString, logged);
        SimProcess sim;
        QVERIFY(sim.Start({option, QStringLiteral("3"), QStringLiteral("--fast"),
                           QStringLiteral("--count"), QStringLiteral("8"),
                           QStringLiteral("--close-at-end")}));
        SimClient client;
        QVERIFY(client.Connect(sim.Port()));
        client.SendHandshake();
        const QByteArray bytes = client.ReadToClose();
        const std::vector<WireFrame> frames = SplitFrames(bytes);
        QVERIFY(frames.size() >= 3);

        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        if (tag == QLatin1String("type0")) {
            QCOMPARE(frames[2].Type, std::uint16_t(0));
            QCOMPARE(frames[1].Type, std::uint16_t(2));
        } else if (tag == QLatin1String("bad length")) {
            QCOMPARE(frames[2].Declared, 1025);
            QCOMPARE(frames[5].Declared, -1024);
        } else if (tag == QLatin1String("short dt")) {
            QCOMPARE(frames[3].Declared, 1000);
            QVERIFY(frames[3].Payload.startsWith("DT"));
            QCOMPARE(frames[4].Payload.left(1000), frames[3].Payload);
        } else if (tag == QLatin1String("unknown type")) {
            QVERIFY(frames[2].Payload.startsWith("XX"));
            QCOMPARE(frames[2].Payload.mid(2), frames[3].Payload.mid(2));
        } else if (tag == QLatin1String("et")) {
            QVERIFY(frames[4].Payload.startsWith("ET"));
            QCOMPARE(frames[4].Payload.mid(2), frames[0].Payload.mid(2));
        } else if (tag == QLatin1String("garbage")) {
            QVERIFY(bytes.size() > 9 * kFrame);
        } else if (tag == QLatin1String("close")) {
            QCOMPARE(bytes.size(), 3 * kFrame);
        }
        QVERIFY2(sim.Log().contains(logged), qPrintable(sim.Log()));
    }

    void refusesConnectionsAfterClosure()
    {
        SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--fast"), QStringLiteral("--close-after"),
                           QStringLiteral("2"), QStringLiteral("--refuse"), QStringLiteral("1")}));
        {
            SimClient client;
            QVERIFY(client.Connect(sim.Port()));
            client.SendHandshake();
            QCOMPARE(client.ReadToClose().size(), 2 * kFrame);
        }
        bool refused = false;
        bool accepted = false;
        for (int attempt = 0; attempt < 200 && !accepted; ++attempt) {
            SimClient client;
            if (client.Connect(sim.Port()))
                accepted = refused; // a connection that slipped in before the refusal counts not
            else
                refused = true;
            if (!accepted)
                QThread::msleep(20);
        }
        QVERIFY(refused);
        QVERIFY(accepted);
        QVERIFY(sim.Log().contains(QStringLiteral("fault refuse 1 s")));
    }

    void randomFaultsAreLogged()
    {
        SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--faults-random"), QStringLiteral("--seed"),
                           QStringLiteral("3"), QStringLiteral("--fast"), QStringLiteral("--count"),
                           QStringLiteral("400"), QStringLiteral("--close-at-end")}));
        SimClient client;
        QVERIFY(client.Connect(sim.Port()));
        client.SendHandshake();
        client.ReadToClose();
        QVERIFY(sim.Log().contains(QStringLiteral("\nfault ")));
    }

    void optionsAreValidated_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("rate 0") << QStringList{QStringLiteral("--rate"), QStringLiteral("0")};
        QTest::newRow("rate too wide for the header")
            << QStringList{QStringLiteral("--rate"), QStringLiteral("12.345")};
        QTest::newRow("unit not hex")
            << QStringList{QStringLiteral("--units"), QStringLiteral("XYZ")};
        QTest::newRow("33 channels")
            << QStringList{QStringLiteral("--channels"), QStringLiteral("33")};
        QTest::newRow("unknown format")
            << QStringList{QStringLiteral("--format"), QStringLiteral("steim3")};
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--bogus")};
        QTest::newRow("loop without replay") << QStringList{QStringLiteral("--loop")};
    }
    void optionsAreValidated()
    {
        QFETCH(QStringList, arguments);
        QProcess process;
        process.start(QStringLiteral(PKSD_SIM_PATH), arguments);
        QVERIFY(process.waitForFinished());
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(process.readAllStandardOutput().isEmpty());
    }

    void helpNamesEveryOption()
    {
        QProcess process;
        process.start(QStringLiteral(PKSD_SIM_PATH), {QStringLiteral("--help")});
        QVERIFY(process.waitForFinished());
        QCOMPARE(process.exitCode(), 0);
        const QByteArray help = process.readAllStandardOutput();
        for (const char* option : {"--listen",         "--units",
                                   "--streams",        "--channels",
                                   "--rate",           "--format",
                                   "--backfill",       "--count",
                                   "--seed",           "--experiment",
                                   "--fast",           "--replay",
                                   "--loop",           "--record",
                                   "--verbose",        "--fault-bad-length",
                                   "--fault-short-dt", "--fault-unknown-type",
                                   "--fault-et",       "--fault-type0",
                                   "--fault-garbage",  "--close-after",
                                   "--refuse",         "--faults-random"})
            QVERIFY2(help.contains(option), option);
    }
};

QTEST_GUILESS_MAIN(TestPksdSim)
#include "tst_pksdsim.moc"
