#include "link/connectionstate.h"
#include "link/frame.h"
#include "link/framerate.h"
#include "link/framereceiver.h"
#include "link/handshake.h"
#include "link/linkstatus.h"
#include "link/linkstatustext.h"
#include "link/pksdlink.h"
#include "store/channelcatalogue.h"
#include "store/packetring.h"
#include "tests/common/packetbytes.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using testpackets::EventHeaderBytes;
using testpackets::FrameBytes;
using testpackets::FrameOf;
using testpackets::Int16Dt;
using testpackets::Packet;

namespace {

template <std::size_t N> QByteArray Bytes(const std::array<std::uint8_t, N>& a)
{
    return QByteArray(reinterpret_cast<const char*>(a.data()), static_cast<qsizetype>(N));
}

QByteArray HandshakeBytes()
{
    const HandshakeMessages m =
        BuildHandshake(static_cast<std::uint32_t>(QCoreApplication::applicationPid()));
    return Bytes(m.Opening) + Bytes(m.Identification) + Bytes(m.Request);
}

// A link to a loopback server that plays PKSD.
struct Rig
{
    ConnectionState Conn;
    PacketStore Store;
    ChannelCatalogue Cat;
    QTcpServer Server;
    PksdLink Link;
    QStringList Messages;
    QTcpSocket* Peer = nullptr;
    QByteArray Handshake;
    std::int64_t Now = 0; // the link's clock, moved by hand

    explicit Rig(std::unique_ptr<QTcpSocket> socket = {})
        : Link(Conn, Store, Cat, nullptr, nullptr, std::move(socket))
    {
        Link.SetClock([this] { return Now; });
        if (!Server.listen(QHostAddress::LocalHost, 0))
            qFatal("cannot listen on 127.0.0.1: %s", qPrintable(Server.errorString()));
        Conn.PksdHost = QStringLiteral("127.0.0.1");
        Conn.PksdPort = Server.serverPort();
        Store.NringBuffer = 4;
        Store.KeepSel = 0;
        AllocateRing(Store);
        QObject::connect(&Link, &PksdLink::statusMessage,
                         [this](const QString& text) { Messages << text; });
    }

    // Waits for the link's next connection and its handshake.
    bool Accept()
    {
        if (!QTest::qWaitFor([this] { return Server.hasPendingConnections(); }))
            return false;
        Peer = Server.nextPendingConnection();
        if (!QTest::qWaitFor([this] { return Peer->bytesAvailable() >= 82; }))
            return false;
        Handshake = Peer->read(82);
        return true;
    }

    bool ConnectAndAccept()
    {
        Link.Connect();
        return Accept();
    }

    void Send(const QByteArray& bytes)
    {
        Peer->write(bytes);
        Peer->flush();
    }

    QString ClosedText() const { return SocketClosedText(Conn); }
    QString ReconnectText(const char* word, int n) const
    {
        return QLatin1String(word) + Conn.LastSocketEvent + QStringLiteral(" Reconnecting  ") +
               Conn.PksdHost + u' ' + QString::number(Conn.PksdPort) + QString::number(n);
    }
};

// A loopback port that refuses connections while this lives: a socket bound to it but not
// listening holds it, so nothing else on the machine can take it meanwhile, as it could a port
// that was free a moment ago.
class RefusingPort
{
public:
    RefusingPort()
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~RefusingPort() { ::close(fd_); }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    quint16 Port() const { return port_; } // 0 when none could be had

private:
    int fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    quint16 port_ = 0;
};

// The status line as the status bar would show it.
QByteArray Text(const StatusLine& line)
{
    char text[128];
    FormatStatusLine(line, text, sizeof text);
    return QByteArray(text);
}

// Claims more bytes than it then delivers, as a device that loses its data would.
class ShortDevice : public QIODevice
{
public:
    explicit ShortDevice(QByteArray bytes) : bytes_(std::move(bytes))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    qint64 bytesAvailable() const override { return 4096; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 n = qMin(maxSize, qint64(bytes_.size()));
        std::memcpy(data, bytes_.constData(), static_cast<std::size_t>(n));
        bytes_.remove(0, n);
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray bytes_;
};

struct Receiver
{
    PacketStore Store;
    ChannelCatalogue Cat;
    StatusLine Last;
    QByteArray Data;
    QBuffer Buffer{&Data};

    Receiver()
    {
        Store.NringBuffer = 8;
        Store.KeepSel = 0;
        AllocateRing(Store);
        Buffer.open(QIODevice::ReadOnly);
    }
    ReceiveResult Run() { return ReceiveFrames(Buffer, Store, Cat, nullptr, Last); }
};

QByteArray DtFrame(int channel, std::size_t length = 1024, std::uint16_t type = 0)
{
    return FrameOf(Int16Dt(0x00A3, 0, channel), length, type);
}

// A socket whose every write fails, as when the system refuses to take the bytes.
class UnwritableSocket : public QTcpSocket
{
protected:
    qint64 writeData(const char*, qint64) override
    {
        setErrorString(QStringLiteral("No buffer space available"));
        return -1;
    }
};

} // namespace

Q_DECLARE_METATYPE(LinkStatus)

class LinkTest : public QObject
{
    Q_OBJECT

private slots:
    void handshakeOnTheWireStopsTheTimer()
    {
        Rig rig;
        rig.Link.reconnectTimer().start();
        QVERIFY(rig.ConnectAndAccept());
        QCOMPARE(rig.Handshake, HandshakeBytes());
        QCOMPARE(rig.Messages, QStringList{QStringLiteral("HandShaking with PKSD")});
        QVERIFY(!rig.Link.reconnectTimer().isActive());
    }

    void framesWaitForAWholeMaximumFrame()
    {
        Rig rig;
        QVERIFY(rig.ConnectAndAccept());
        QSignalSpy ingested(&rig.Link, &PksdLink::dataIngested);
        const QByteArray first = DtFrame(1);
        rig.Send(first.left(1029));
        QTRY_COMPARE(rig.Link.pksdSocket().bytesAvailable(), qint64(1029));
        QCOMPARE(rig.Store.NewData, 0);
        QCOMPARE(ingested.count(), 0);

        rig.Send(first.mid(1029) + DtFrame(2));
        QTRY_COMPARE(rig.Store.RingIndex, 2);
        QCOMPARE(rig.Cat.Count(), 2);
        QVERIFY(ingested.count() >= 1);
        QVERIFY(rig.Messages.last().startsWith(QStringLiteral("DT   A3-0-2 (100-")));
        QCOMPARE(rig.Link.pksdSocket().state(), QAbstractSocket::ConnectedState);
    }

    void badFrameReconnectsNamingTheError_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("wanted");
        QTest::newRow("too long, wanted") << 1025 << 1;
        QTest::newRow("negative, not wanted") << -1 << 0;
    }
    void badFrameReconnectsNamingTheError()
    {
        QFETCH(int, length);
        QFETCH(int, wanted);
        Rig rig;
        QVERIFY(rig.ConnectAndAccept());
        rig.Conn.AutoStartPKSD = wanted;
        rig.Conn.LastSocketEvent = QStringLiteral("slotClosed"); // an earlier, unrelated event
        rig.Send(FrameBytes(0, length, Int16Dt(1, 0, 0)) + DtFrame(1));

        QTRY_COMPARE(rig.Peer->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(rig.Link.pksdSocket().state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(rig.Messages.last(), BadFrameText());
        QCOMPARE(rig.Link.LinkStatusText(),
                 wanted ? QStringLiteral("Bad frame from PKSD · retry in 10 s")
                        : QStringLiteral("Bad frame from PKSD"));
        QVERIFY(!rig.Messages.contains(rig.ClosedText()));
        QCOMPARE(rig.Cat.Count(), 0);
        QCOMPARE(rig.Link.reconnectTimer().isActive(), wanted == 1);
        QCOMPARE(rig.Link.reconnectTimer().interval(), 10000);
        // The next reconnect text names the failure, not an empty or an earlier event.
        rig.Link.SockTimeout();
        QVERIFY(rig.Messages.last().startsWith(QStringLiteral("Idle slotError Reconnecting  ")));
    }

    void peerClosureShowsOnceAndReconnects()
    {
        Rig rig;
        rig.Conn.AutoStartPKSD = 1;
        QVERIFY(rig.ConnectAndAccept());
        rig.Send(QByteArray(500, 'x'));
        QTRY_COMPARE(rig.Link.pksdSocket().bytesAvailable(), qint64(500));
        rig.Peer->close();

        QTRY_COMPARE(rig.Conn.LastSocketEvent, QStringLiteral("slotClosed"));
        QCoreApplication::processEvents();
        QCOMPARE(rig.Link.LinkStatusText(), QStringLiteral("Closed by PKSD · retry in 10 s"));
        QCOMPARE(rig.Messages.count(rig.ClosedText()), 1);
        QCOMPARE(rig.Messages.last(),
                 QStringLiteral("Socket Closed 127.0.0.1") + QString::number(rig.Conn.PksdPort));
        QCOMPARE(rig.Link.pksdSocket().bytesAvailable(), qint64(0));
        QVERIFY(rig.Link.reconnectTimer().isActive());
        QCOMPARE(rig.Link.reconnectTimer().interval(), 10000);

        rig.Link.SockTimeout();
        QCOMPARE(rig.Messages.last(), rig.ReconnectText("Idle ", 0));
        QVERIFY(rig.Accept());
        QCOMPARE(rig.Handshake, HandshakeBytes());
        QTRY_VERIFY(!rig.Link.reconnectTimer().isActive());
    }

    void ownClosesAreNotPeerCloses_data()
    {
        QTest::addColumn<int>("action");
        QTest::newRow("Close") << 0;
        QTest::newRow("ReconnectPksd") << 1;
        QTest::newRow("SockTimeout") << 2;
    }
    void ownClosesAreNotPeerCloses()
    {
        QFETCH(int, action);
        Rig rig;
        rig.Conn.AutoStartPKSD = 1;
        QVERIFY(rig.ConnectAndAccept());
        rig.Messages.clear();
        QTcpSocket* first = rig.Peer;
        if (action == 0) {
            rig.Link.reconnectTimer().start();
            rig.Link.Close();
        } else if (action == 1) {
            rig.Link.ReconnectPksd();
        } else {
            rig.Link.SockTimeout();
        }

        QTRY_COMPARE(first->state(), QAbstractSocket::UnconnectedState);
        QCoreApplication::processEvents();
        QVERIFY(!rig.Messages.contains(rig.ClosedText()));
        QCOMPARE(rig.Conn.LastSocketEvent, QString());
        if (action != 0) {
            QVERIFY(rig.Accept());
            return;
        }
        // A close stops reconnection for good: later socket events start none.
        QCOMPARE(rig.Conn.AutoStartPKSD, 0);
        QCOMPARE(rig.Link.pksdSocket().state(), QAbstractSocket::UnconnectedState);
        rig.Link.slotError(int(QAbstractSocket::NetworkError));
        rig.Link.slotClosed();
        rig.Link.sloatClosedDelay();
        QVERIFY(!rig.Link.reconnectTimer().isActive());
        QCOMPARE(rig.Store.AllocatedSlots, 4);
    }

    void delayedCloseFinishes()
    {
        Rig rig;
        QVERIFY(rig.ConnectAndAccept());
        // More than the kernel takes at once, so our close has to wait for it.
        const QByteArray pending(8 * 1024 * 1024, 'p');
        rig.Link.pksdSocket().write(pending);
        rig.Link.Close();
        QCOMPARE(rig.Link.pksdSocket().state(), QAbstractSocket::ClosingState);
        qint64 received = 0;
        QVERIFY(QTest::qWaitFor([&] {
            received += rig.Peer->readAll().size();
            return rig.Conn.LastSocketEvent == QStringLiteral("slotClosedDelay");
        }));
        QVERIFY(QTest::qWaitFor([&] {
            received += rig.Peer->readAll().size();
            return received == pending.size();
        }));
        QVERIFY(!rig.Messages.contains(rig.ClosedText()));
        QVERIFY(!rig.Link.reconnectTimer().isActive());
    }

    void silentServerWarnsAtOneMinuteAndReconnectsAtTen_data()
    {
        QTest::addColumn<int>("wanted");
        QTest::addColumn<int>("reconnectAfter");
        QTest::addColumn<bool>("reconnects");
        QTest::newRow("wanted") << 1 << 600 << true;
        QTest::newRow("not wanted") << 0 << 600 << false;
        QTest::newRow("reconnect turned off") << 1 << 0 << false;
    }
    void silentServerWarnsAtOneMinuteAndReconnectsAtTen()
    {
        QFETCH(int, wanted);
        QFETCH(int, reconnectAfter);
        QFETCH(bool, reconnects);
        Rig rig;
        rig.Conn.NoDataReconnect = reconnectAfter;
        QVERIFY(rig.ConnectAndAccept());
        rig.Conn.AutoStartPKSD = wanted;
        const QString head = QStringLiteral("Connected to 127.0.0.1:%1 · ").arg(rig.Conn.PksdPort);
        QTRY_COMPARE(rig.Link.LinkStatusText(), head + QStringLiteral("waiting for data"));
        // Bytes short of a whole frame are not data.
        const QByteArray frame = DtFrame(1);
        rig.Now = 59000;
        rig.Send(frame.left(100));
        QTRY_VERIFY(rig.Link.pksdSocket().bytesAvailable() >= 100);
        rig.Now = 59999;
        rig.Link.RefreshStatus();
        QVERIFY(!rig.Link.LinkIsSilent());
        rig.Now = 60000;
        rig.Link.RefreshStatus();
        QVERIFY(rig.Link.LinkIsSilent());
        QCOMPARE(rig.Link.LinkStatusText(), head + QStringLiteral("No data for 1 min"));

        // Any frame starts the count again.
        rig.Send(frame.mid(100));
        QTRY_COMPARE(rig.Store.NewData, 1);
        rig.Now = 61000;
        rig.Link.RefreshStatus();
        QVERIFY(!rig.Link.LinkIsSilent());
        QCOMPARE(rig.Link.LinkStatusText(), head + QStringLiteral("0.0 packets/s"));

        rig.Now = 60000 + 600000 - 1;
        rig.Link.RefreshStatus();
        QCOMPARE(rig.Link.pksdSocket().state(), QAbstractSocket::ConnectedState);
        rig.Now = 60000 + 600000;
        rig.Link.RefreshStatus();
        QCOMPARE(rig.Link.reconnectTimer().isActive(), reconnects);
        if (!reconnects) {
            QCOMPARE(rig.Link.LinkStatusText(), head + QStringLiteral("No data for 10 min"));
            return;
        }
        QCOMPARE(rig.Conn.LastSocketEvent, QStringLiteral("slotNoData"));
        QCOMPARE(rig.Messages.last(),
                 QStringLiteral("No data from PKSD for 10 min, connection closed"));
        QCOMPARE(rig.Link.LinkStatusText(), QStringLiteral("No data for 10 min · retry in 10 s"));
        rig.Link.SockTimeout();
        QVERIFY(rig.Accept());
    }

    void failedConnectionSaysWhyAndRetriesEveryTick_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<QString>("failure");
        QTest::newRow("refused") << "127.0.0.1" << true << "Connection refused";
        // Not a valid name: refused by the resolver itself, without asking the network.
        QTest::newRow("unknown host") << "no such host" << false << "Host not found";
    }
    void failedConnectionSaysWhyAndRetriesEveryTick()
    {
        QFETCH(QString, host);
        QFETCH(bool, refuse);
        QFETCH(QString, failure);
        Rig rig;
        rig.Conn.PksdHost = host;
        const RefusingPort refusing;
        if (refuse) {
            QVERIFY(refusing.Port() != 0);
            rig.Conn.PksdPort = refusing.Port();
        }
        rig.Conn.AutoStartPKSD = 1;
        QSignalSpy errors(&rig.Link.pksdSocket(), &QAbstractSocket::errorOccurred);
        rig.Link.Connect();
        QVERIFY(rig.Link.LinkStatusText().startsWith(QStringLiteral("Connecting to ")));
        QTRY_COMPARE(rig.Link.LinkStatusText(), failure + QStringLiteral(" · retry in 10 s"));
        QCOMPARE(rig.Conn.LastSocketEvent, QStringLiteral("slotError"));
        QVERIFY(rig.Messages.isEmpty());
        QVERIFY(rig.Link.reconnectTimer().isActive());
        QCOMPARE(rig.Link.reconnectTimer().interval(), 10000);
        rig.Now = 3000;
        QCOMPARE(rig.Link.LinkStatusText(), failure + QStringLiteral(" · retry in 7 s"));
        for (int n = 0; n < 3; ++n) {
            rig.Link.SockTimeout();
            QCOMPARE(rig.Messages.last(), rig.ReconnectText("Idle ", n));
            QVERIFY(rig.Link.LinkStatusText().startsWith(QStringLiteral("Connecting to ")));
            QTRY_COMPARE(rig.Link.LinkStatusText(), failure + QStringLiteral(" · retry in 10 s"));
            QCOMPARE(errors.count(), n + 2);
            QVERIFY(rig.Link.reconnectTimer().isActive());
        }
        QCOMPARE(rig.Conn.ReconnectCount, 3);
        rig.Link.Close();
        QCOMPARE(rig.Link.LinkStatusText(), QStringLiteral("Closed"));
    }

    void handshakeThatCannotBeWrittenFailsAndRetries()
    {
        Rig rig(std::make_unique<UnwritableSocket>());
        rig.Conn.AutoStartPKSD = 1;
        rig.Link.Connect();
        QTRY_COMPARE(rig.Conn.LastSocketEvent, QStringLiteral("slotError"));
        QCOMPARE(rig.Link.LinkStatusText(),
                 QStringLiteral("Handshake not sent: No buffer space available · retry in 10 s"));
        QCOMPARE(rig.Messages, QStringList{QStringLiteral("HandShaking with PKSD")});
        QCOMPARE(rig.Link.pksdSocket().state(), QAbstractSocket::UnconnectedState);
        QVERIFY(rig.Link.reconnectTimer().isActive());
        QCOMPARE(rig.Link.reconnectTimer().interval(), 10000);
        rig.Link.SockTimeout();
        QCOMPARE(rig.Messages.last(), rig.ReconnectText("Idle ", 0));
        QVERIFY(rig.Link.LinkStatusText().startsWith(QStringLiteral("Connecting to ")));
        QTRY_VERIFY(rig.Link.LinkStatusText().startsWith(QStringLiteral("Handshake not sent")));
        QVERIFY(rig.Link.reconnectTimer().isActive());
    }

    void bracketedIpv6HostConnects()
    {
        QTcpServer server;
        if (!server.listen(QHostAddress::LocalHostIPv6, 0))
            QSKIP("this machine has no IPv6 loopback");
        Rig rig;
        rig.Conn.PksdHost = QStringLiteral("[::1]");
        rig.Conn.PksdPort = server.serverPort();
        rig.Link.Connect();
        QVERIFY(rig.Link.LinkStatusText().endsWith(
            QStringLiteral("[::1]:%1").arg(server.serverPort())));
        QTRY_VERIFY(server.hasPendingConnections());
    }

    void frameHeaderWritesEveryByte()
    {
        std::array<std::uint8_t, kFrameHeaderBytes> out;
        out.fill(0xEE);
        WriteFrameHeader(out, 0x1234, 0x01020304);
        QCOMPARE(out, (std::array<std::uint8_t, kFrameHeaderBytes>{0x12, 0x34, 1, 2, 3, 4}));
    }

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

    void socketStateWordsKeepTheirTrailingBlank_data()
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
    void socketStateWordsKeepTheirTrailingBlank()
    {
        QFETCH(int, state);
        QTEST(SocketStateWord(static_cast<QAbstractSocket::SocketState>(state)), "word");
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
        QTest::addColumn<LinkStatus>("status");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("silent");
        const QString server = ServerText(QStringLiteral("pksd1"), 2543);
        const auto row = [&](const char* tag, LinkPhase phase, const char* failure, qint64 retryAt,
                             qint64 lastFrame, qint64 frames, const char* text, bool silent,
                             double rate = 37.6) {
            const LinkStatus status{
                phase, server, QString::fromLatin1(failure), retryAt, lastFrame, frames, rate};
            QTest::newRow(tag) << status << QString::fromUtf8(text) << silent;
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
        // A slow stream does not read as zero.
        row("burst every 4 s", LinkPhase::Connected, "", -1, 100000, 1,
            "Connected to pksd1:2543 · 0.3 packets/s", false, 0.25);
        row("just under ten", LinkPhase::Connected, "", -1, 100000, 1,
            "Connected to pksd1:2543 · 9.9 packets/s", false, 9.94);
        row("ten and over are whole", LinkPhase::Connected, "", -1, 100000, 1,
            "Connected to pksd1:2543 · 10 packets/s", false, 9.96);
        row("refused, retry rounded up", LinkPhase::Failed, "Connection refused", 106001, 0, 0,
            "Connection refused · retry in 7 s", false);
        row("failed, not wanted", LinkPhase::Failed, "Host not found", -1, 0, 0, "Host not found",
            false);
        row("closed", LinkPhase::Closed, "", -1, 0, 0, "Closed", false);
    }
    void linkFieldTextNamesStateServerAndSilence()
    {
        QFETCH(LinkStatus, status);
        QTEST(LinkStatusText(status, 100000, 60), "text");
        QTEST(LinkIsSilent(status, 100000, 60), "silent");
        QVERIFY(!LinkIsSilent(status, 100000, 0)); // 0 turns the warning off
    }

    // Five frames every four seconds, noted every second: the ten-second window never reads 0
    // between bursts; a stream that stops reads 0 ten seconds later.
    void rateSpansBurstsOfASlowStream()
    {
        FrameRate rate;
        rate.Restart(0, 0);
        std::int64_t frames = 0;
        double lowest = 1e9;
        for (int second = 1; second <= 40; ++second) {
            frames += second % 4 == 0 ? 5 : 0;
            const double r = rate.Update(second * 1000LL, frames);
            lowest = second >= 10 ? std::min(lowest, r) : lowest;
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

    void receiveTakesWholeFramesAndLeavesPartials_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("dtFrames");
        QTest::addColumn<int>("stop");
        QTest::addColumn<int>("leftBytes");
        QTest::addColumn<int>("channels");

        const int more = int(ReceiveStop::NeedMoreBytes);
        const int bad = int(ReceiveStop::BadFrame);
        const QByteArray one = DtFrame(1);
        const Packet dt0 = Int16Dt(0, 0, 0);
        QTest::newRow("1029 bytes read nothing") << one.left(1029) << 0 << 0 << more << 1029 << 0;
        QTest::newRow("1030 bytes one frame") << one << 1 << 1 << more << 0 << 1;
        QTest::newRow("2060 bytes two frames") << one + DtFrame(2) << 2 << 2 << more << 0 << 2;
        QTest::newRow("partial second frame stays")
            << one + DtFrame(2).left(500) << 1 << 1 << more << 500 << 1;
        QTest::newRow("short last frame waits")
            << FrameOf(Packet{}, 10) << 0 << 0 << more << 16 << 0;
        QTest::newRow("short frame before a full one")
            << FrameOf(Packet{}, 10) + one << 2 << 1 << more << 0 << 1;
        QTest::newRow("1000-byte DT dropped in step")
            << DtFrame(1, 1000) + DtFrame(2) << 2 << 1 << more << 0 << 1;
        QTest::newRow("frame type ignored") << DtFrame(1, 1024, 0xFFFF) << 1 << 1 << more << 0 << 1;
        Packet unknown = Int16Dt(0x00A3, 0, 3);
        testpackets::PutText(unknown, 0, "XT");
        QTest::newRow("unknown type dropped in step")
            << FrameOf(unknown) + DtFrame(2) << 2 << 1 << more << 0 << 1;
        QTest::newRow("empty payload dropped")
            << FrameBytes(1, 0, {}) + one << 2 << 1 << more << 0 << 1;
        // The header bytes "DT" must not pass for the payload's type.
        QTest::newRow("one-byte payload not typed by header")
            << FrameBytes(0x4454, 1, std::span(dt0).first(1)) + QByteArray(1023, 'x') << 1 << 0
            << more << 1023 << 0;
        QTest::newRow("length 1025")
            << FrameBytes(0, 1025, std::span(dt0).first(1024)) + QByteArray(1, 'x') << 0 << 0 << bad
            << 1025 << 0;
        QTest::newRow("negative length")
            << FrameBytes(0, -1, std::span(dt0).first(1024)) << 0 << 0 << bad << 1024 << 0;
        QTest::newRow("top bit length")
            << FrameBytes(0, INT32_MIN, std::span(dt0).first(1024)) << 0 << 0 << bad << 1024 << 0;
        QTest::newRow("bad frame after a good one")
            << one + FrameBytes(0, 2000, std::span(dt0).first(1024)) << 1 << 1 << bad << 1024 << 1;
    }
    void receiveTakesWholeFramesAndLeavesPartials()
    {
        QFETCH(QByteArray, stream);
        QFETCH(int, dtFrames);
        QFETCH(int, channels);
        Receiver r;
        r.Data = stream;
        const ReceiveResult result = r.Run();
        QTEST(result.Frames, "frames");
        QCOMPARE(result.DtFrames, dtFrames);
        QTEST(int(result.Stop), "stop");
        QTEST(int(r.Buffer.bytesAvailable()), "leftBytes");
        QCOMPARE(r.Cat.Count(), channels);
        QCOMPARE(r.Store.RingIndex, channels);
        QCOMPARE(r.Store.NewData, dtFrames > 0 ? 1 : 0);
    }

    void shortReadIsABadFrame_data()
    {
        QTest::addColumn<QByteArray>("deliverable");
        QTest::newRow("header") << DtFrame(1).left(3);
        QTest::newRow("payload") << DtFrame(1).left(6 + 100);
    }
    void shortReadIsABadFrame()
    {
        QFETCH(QByteArray, deliverable);
        PacketStore store;
        ChannelCatalogue cat;
        StatusLine last;
        ShortDevice device(deliverable);
        QCOMPARE(int(ReceiveFrames(device, store, cat, nullptr, last).Stop),
                 int(ReceiveStop::BadFrame));
    }

    void eventHeaderAndTrailerAlike_data()
    {
        QTest::addColumn<QByteArray>("type");
        QTest::newRow("EH") << QByteArray("EH");
        QTest::newRow("ET") << QByteArray("ET");
    }
    void eventHeaderAndTrailerAlike()
    {
        QFETCH(QByteArray, type);
        Receiver r;
        // A short header is taken too: the parser reads what is missing as blanks.
        r.Data = FrameOf(EventHeaderBytes(type.constData(), 0x0B0C), 944) + DtFrame(1);
        const ReceiveResult result = r.Run();
        QCOMPARE(result.Frames, 2);
        const int index = FindChannel(r.Cat, 0x0B0C, 0, 2);
        QVERIFY(index >= 0);
        QCOMPARE(r.Cat.Entries[static_cast<std::size_t>(index)].SampleRate, 100.0);
    }

    void fullCatalogueEndsThePass()
    {
        Receiver r;
        r.Cat.MaxEntries = 0;
        const QByteArray second = DtFrame(1);
        r.Data = FrameOf(EventHeaderBytes("EH", 1)) + second;
        const ReceiveResult result = r.Run();
        QCOMPARE(int(result.Stop), int(ReceiveStop::CatalogueFull));
        QCOMPARE(result.Frames, 1);
        QCOMPARE(r.Buffer.bytesAvailable(), qint64(second.size()));
    }

    void lastStatusIsTheLastDecodedDtLine()
    {
        Receiver r;
        Packet bad = Int16Dt(0x00A3, 0, 7);
        bad[23] = 0x2C; // no such format
        r.Data = DtFrame(1) + DtFrame(4) + FrameOf(bad);
        r.Run();
        QVERIFY(r.Last.Shown);
        QVERIFY(Text(r.Last).startsWith("DT   A3-0-4 (100-"));
        QVERIFY(Text(r.Last).endsWith(" 1"));
    }
};

QTEST_GUILESS_MAIN(LinkTest)
#include "tst_link.moc"
