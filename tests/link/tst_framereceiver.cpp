#include "link/framereceiver.h"
#include "store/channelcatalogue.h"
#include "store/packetring.h"
#include "tests/common/packetbytes.h"

#include <QBuffer>
#include <QTest>

#include <cstdint>
#include <cstring>
#include <utility>

using testpackets::EventHeaderBytes;
using testpackets::FrameBytes;
using testpackets::FrameOf;
using testpackets::Int16Dt;
using testpackets::Packet;

namespace {

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

} // namespace

class FrameReceiverTest : public QObject
{
    Q_OBJECT

private slots:
    void framing_data()
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
        unknown[0] = 'X';
        unknown[1] = 'T';
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
    void framing()
    {
        QFETCH(QByteArray, stream);
        QFETCH(int, frames);
        QFETCH(int, dtFrames);
        QFETCH(int, stop);
        QFETCH(int, leftBytes);
        QFETCH(int, channels);

        Receiver r;
        r.Data = stream;
        const ReceiveResult result = r.Run();
        QCOMPARE(result.Frames, frames);
        QCOMPARE(result.DtFrames, dtFrames);
        QCOMPARE(int(result.Stop), stop);
        QCOMPARE(r.Buffer.bytesAvailable(), qint64(leftBytes));
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

QTEST_GUILESS_MAIN(FrameReceiverTest)
#include "tst_framereceiver.moc"
