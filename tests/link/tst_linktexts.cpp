#include "link/connectionstate.h"
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

    void linkFieldTextNamesStateServerAndSilence_data()
    {
        QTest::addColumn<int>("phase");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<qint64>("retryAt");
        QTest::addColumn<qint64>("lastFrame");
        QTest::addColumn<qint64>("frames");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("silent");
        const auto row = [](const char* tag, LinkPhase phase, const char* failure, qint64 retryAt,
                            qint64 lastFrame, qint64 frames, const char* text, bool silent) {
            QTest::newRow(tag) << int(phase) << QString::fromLatin1(failure) << retryAt << lastFrame
                               << frames << QString::fromUtf8(text) << silent;
        };
        row("idle", LinkPhase::Idle, "", -1, 0, 0, "Not connected", false);
        row("connecting", LinkPhase::Connecting, "", -1, 0, 0, "Connecting to pksd1:2543", false);
        row("handshaking", LinkPhase::Handshaking, "", -1, 0, 0, "Handshaking", false);
        row("no frame yet", LinkPhase::Connected, "", -1, 70000, 0,
            "Connected to pksd1:2543 · waiting for data", false);
        row("rate", LinkPhase::Connected, "", -1, 100000, 5,
            "Connected to pksd1:2543 · 38 packets/s", false);
        row("silent 59.999 s", LinkPhase::Connected, "", -1, 40001, 5,
            "Connected to pksd1:2543 · 38 packets/s", false);
        row("silent 60 s", LinkPhase::Connected, "", -1, 40000, 5,
            "Connected to pksd1:2543 · No data for 1 min", true);
        row("refused, retry rounded up", LinkPhase::Failed, "Connection refused", 106001, 0, 0,
            "Connection refused · retry in 7 s", false);
        row("failed, not wanted", LinkPhase::Failed, "Host not found", -1, 0, 0, "Host not found",
            false);
        row("closed", LinkPhase::Closed, "", -1, 0, 0, "Closed", false);
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

    void hostInBracketsIsTheBareAddress_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown"); // the socket's host, then the server's text
        const auto row = [](const char* typed, const char* shown) {
            QTest::newRow(typed) << QString::fromLatin1(typed) << QString::fromLatin1(shown);
        };
        row("[::1]", "::1 [::1]:2543");
        row("::1", "::1 [::1]:2543");
        row("pksd1", "pksd1 pksd1:2543");
        row("[pksd1]", "[pksd1] [pksd1]:2543"); // brackets around a name stay
    }
    void hostInBracketsIsTheBareAddress()
    {
        QFETCH(QString, typed);
        QTEST(QString(SocketHost(typed) + u' ' + ServerText(typed, 2543)), "shown");
    }
};

QTEST_GUILESS_MAIN(LinkTextsTest)
#include "tst_linktexts.moc"
