#include "link/connectionstate.h"
#include "link/handshake.h"
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
};

QTEST_APPLESS_MAIN(LinkTextsTest)
#include "tst_linktexts.moc"
