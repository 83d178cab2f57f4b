#include "link/connectionstate.h"
#include "link/framerate.h"
#include "link/handshake.h"
#include "link/linkstatus.h"
#include "link/linkstatustext.h"
#include "store/packetring.h"

#include <QByteArray>
#include <QTest>

#include <cstdint>

namespace {

template <std::size_t N> QByteArray Bytes(const std::array<std::uint8_t, N>& a)
{
    return QByteArray(reinterpret_cast<const char*>(a.data()), static_cast<qsizetype>(N));
}

} // namespace

class LinkTextsTest : public QObject
{
    Q_OBJECT

private slots:
    void handshakeIsByteExact()
    {
        const HandshakeMessages m = BuildHandshake(0x01020304U);
        QCOMPARE(Bytes(m.Opening), QByteArray::fromHex("000100000000"));
        QCOMPARE(Bytes(m.Identification),
                 QByteArray::fromHex("000b00000024"
                                     "01020304"
                                     "5452454d5655452d322e34"
                                     "000000000000000000000000000000000000000000"));
        QCOMPARE(Bytes(m.Request), QByteArray::fromHex("00030000001c"
                                                       "00000000"
                                                       "0000ffff"
                                                       "00000000"
                                                       "0000001e"
                                                       "00000001"
                                                       "00000000"
                                                       "00000000"));
    }

    void handshakeTakesTheWholePid()
    {
        const HandshakeMessages m = BuildHandshake(0xFFFFFFFEU);
        QCOMPARE(Bytes(m.Identification).mid(6, 4), QByteArray::fromHex("fffffffe"));
    }

    void stateWord_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("word");
        QTest::newRow("unconnected") << int(QAbstractSocket::UnconnectedState) << "Idle ";
        QTest::newRow("lookup") << int(QAbstractSocket::HostLookupState) << "HostLookup ";
        QTest::newRow("connecting") << int(QAbstractSocket::ConnectingState) << "Connecting ";
        QTest::newRow("connected") << int(QAbstractSocket::ConnectedState) << "Connected ";
        QTest::newRow("closing") << int(QAbstractSocket::ClosingState) << "Closing ";
        QTest::newRow("bound") << int(QAbstractSocket::BoundState) << "Unknown ";
        QTest::newRow("listening") << int(QAbstractSocket::ListeningState) << "Unknown ";
    }
    void stateWord()
    {
        QFETCH(int, state);
        QFETCH(QString, word);
        QCOMPARE(SocketStateWord(static_cast<QAbstractSocket::SocketState>(state)), word);
    }

    void reconnectTextRunsPortIntoCount()
    {
        ConnectionState conn;
        conn.LastSocketEvent = QStringLiteral("slotError");
        QCOMPARE(ReconnectStatusText(QStringLiteral("Idle "), conn, 7),
                 QStringLiteral("Idle slotError Reconnecting  localhost 25437"));
        conn.LastSocketEvent.clear();
        conn.PksdHost = QStringLiteral("10.1.2.3");
        conn.PksdPort = 65535;
        QCOMPARE(ReconnectStatusText(QStringLiteral("Connecting "), conn, 0),
                 QStringLiteral("Connecting  Reconnecting  10.1.2.3 655350"));
    }

    void socketClosedTextHasNoBlankBeforePort()
    {
        ConnectionState conn;
        QCOMPARE(SocketClosedText(conn), QStringLiteral("Socket Closed localhost2543"));
    }

    void linkFieldTextNamesStateServerAndSilence_data()
    {
        QTest::addColumn<int>("phase");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<qint64>("retryAt");
        QTest::addColumn<qint64>("lastFrame");
        QTest::addColumn<qint64>("frames");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("silent");
        const auto phase = [](LinkPhase p) { return int(p); };
        const QString none;
        QTest::newRow("idle") << phase(LinkPhase::Idle) << none << -1LL << 0LL << 0LL
                              << "Not connected" << false;
        QTest::newRow("connecting") << phase(LinkPhase::Connecting) << none << -1LL << 0LL << 0LL
                                    << "Connecting to pksd1:2543" << false;
        QTest::newRow("handshaking") << phase(LinkPhase::Handshaking) << none << -1LL << 0LL << 0LL
                                     << "Handshaking" << false;
        QTest::newRow("no frame yet")
            << phase(LinkPhase::Connected) << none << -1LL << 70000LL << 0LL
            << "Connected to pksd1:2543 · waiting for data" << false;
        QTest::newRow("rate") << phase(LinkPhase::Connected) << none << -1LL << 100000LL << 5LL
                              << "Connected to pksd1:2543 · 38 packets/s" << false;
        QTest::newRow("silent 59.999 s")
            << phase(LinkPhase::Connected) << none << -1LL << 40001LL << 5LL
            << "Connected to pksd1:2543 · 38 packets/s" << false;
        QTest::newRow("silent 60 s")
            << phase(LinkPhase::Connected) << none << -1LL << 40000LL << 5LL
            << "Connected to pksd1:2543 · No data for 1 min" << true;
        QTest::newRow("refused, retry rounded up")
            << phase(LinkPhase::Failed) << QStringLiteral("Connection refused") << 106001LL << 0LL
            << 0LL << "Connection refused · retry in 7 s" << false;
        QTest::newRow("failed, not wanted")
            << phase(LinkPhase::Failed) << QStringLiteral("Host not found") << -1LL << 0LL << 0LL
            << "Host not found" << false;
        QTest::newRow("closed") << phase(LinkPhase::Closed) << none << -1LL << 0LL << 0LL
                                << "Closed" << false;
    }
    void linkFieldTextNamesStateServerAndSilence()
    {
        QFETCH(int, phase);
        LinkStatus s;
        s.Phase = static_cast<LinkPhase>(phase);
        s.Server = ServerText(QStringLiteral("pksd1"), 2543);
        QFETCH(QString, failure);
        s.Failure = failure;
        QFETCH(qint64, retryAt);
        s.RetryAtMs = retryAt;
        QFETCH(qint64, lastFrame);
        s.LastFrameMs = lastFrame;
        QFETCH(qint64, frames);
        s.Frames = frames;
        s.FramesPerSecond = 37.6;
        QTEST(LinkStatusText(s, 100000, 60), "text");
        QTEST(LinkIsSilent(s, 100000, 60), "silent");
        QVERIFY(!LinkIsSilent(s, 100000, 0)); // 0 turns the warning off
    }

    void slowStreamDoesNotReadAsZero_data()
    {
        QTest::addColumn<double>("rate");
        QTest::addColumn<QString>("text");
        QTest::newRow("burst every 4 s") << 0.25 << "0.3 packets/s";
        QTest::newRow("one decimal") << 2.24 << "2.2 packets/s";
        QTest::newRow("just under ten") << 9.94 << "9.9 packets/s";
        QTest::newRow("ten and over are whole") << 9.96 << "10 packets/s";
    }
    void slowStreamDoesNotReadAsZero()
    {
        QFETCH(double, rate);
        LinkStatus s;
        s.Phase = LinkPhase::Connected;
        s.Server = QStringLiteral("pksd1:2543");
        s.LastFrameMs = 100000;
        s.Frames = 1;
        s.FramesPerSecond = rate;
        QFETCH(QString, text);
        QCOMPARE(LinkStatusText(s, 100000, 60),
                 QStringLiteral("Connected to pksd1:2543 · ") + text);
    }

    // Five frames every four seconds, the rate noted every second: the ten-second window never
    // reads 0 between bursts, and a stream that stops reads 0 ten seconds later.
    void rateSpansBurstsOfASlowStream()
    {
        FrameRate rate;
        rate.Restart(0, 0);
        std::int64_t frames = 0;
        double lowest = 1e9;
        for (int second = 1; second <= 40; ++second) {
            if (second % 4 == 0)
                frames += 5;
            const double r = rate.Update(second * 1000LL, frames);
            if (second >= 10)
                lowest = std::min(lowest, r);
        }
        QVERIFY2(lowest >= 1.0 && lowest <= 1.5, qPrintable(QString::number(lowest)));
        for (int second = 41; second <= 50; ++second)
            rate.Update(second * 1000LL, frames);
        QCOMPARE(rate.Update(51000, frames), 0.0);
        rate.Restart(60000, frames); // a new connection forgets the old counts
        QCOMPARE(rate.Update(61000, frames + 3), 3.0);
    }

    void silenceUnderAMinuteReadsInSeconds_data()
    {
        QTest::addColumn<qint64>("silentMs");
        QTest::addColumn<QString>("text");
        QTest::newRow("30 s") << 30999LL << "30 s";
        QTest::newRow("59 s") << 59999LL << "59 s";
        QTest::newRow("1 min") << 60000LL << "1 min";
        QTest::newRow("10 min") << 659999LL << "10 min";
    }
    void silenceUnderAMinuteReadsInSeconds()
    {
        QFETCH(qint64, silentMs);
        QTEST(SilenceSpanText(silentMs), "text");
    }

    void hostInBracketsIsTheBareAddress_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("socketHost");
        QTest::addColumn<QString>("server");
        QTest::newRow("[::1]") << "[::1]"
                               << "::1"
                               << "[::1]:2543";
        QTest::newRow("::1") << "::1"
                             << "::1"
                             << "[::1]:2543";
        QTest::newRow("name") << "pksd1"
                              << "pksd1"
                              << "pksd1:2543";
        QTest::newRow("brackets around a name stay") << "[pksd1]"
                                                     << "[pksd1]"
                                                     << "[pksd1]:2543";
    }
    void hostInBracketsIsTheBareAddress()
    {
        QFETCH(QString, typed);
        QTEST(SocketHost(typed), "socketHost");
        QTEST(ServerText(typed, 2543), "server");
    }
};

QTEST_GUILESS_MAIN(LinkTextsTest)
#include "tst_linktexts.moc"
