#include "packets/dtpacket.h"
#include "tests/common/packetbytes.h"

#include <QTest>

#include <climits>
#include <memory>
#include <tuple>
#include <vector>

using testpackets::Packet;
using testpackets::Put32;

namespace {

// Frame 0 of a Steim packet: codes word, X0, XN, then data words from word 3.
struct SteimFrames
{
    Packet packet;
    explicit SteimFrames(std::uint8_t formatByte, unsigned sampleCount)
        : packet(testpackets::DtBytes(formatByte, sampleCount))
    {}
    std::uint8_t* Word(int frame, int word) { return packet.data() + 64 + 64 * frame + 4 * word; }
    void SetCode(int frame, int word, unsigned code)
    {
        std::uint8_t* w0 = Word(frame, 0);
        std::uint32_t codes = (std::uint32_t{w0[0]} << 24) | (std::uint32_t{w0[1]} << 16) |
                              (std::uint32_t{w0[2]} << 8) | w0[3];
        const int shift = 30 - 2 * word;
        codes = (codes & ~(3u << shift)) | (code << shift);
        Put32(w0, codes);
    }
    void SetData(int frame, int word, unsigned code, std::uint32_t value)
    {
        SetCode(frame, word, code);
        Put32(Word(frame, word), value);
    }
    void SetX0(std::int32_t x0) { Put32(Word(0, 1), static_cast<std::uint32_t>(x0)); }
    void Row(const char* name, std::vector<std::int32_t> expected) const
    {
        QTest::newRow(name) << packet << expected;
    }
};

std::unique_ptr<DtPacket> FreshSlot()
{
    auto slot = std::make_unique<DtPacket>();
    for (std::int32_t& s : slot->Samples)
        s = 0x5A5A5A5A; // a previous packet's leftovers
    return slot;
}

std::vector<std::int32_t> SamplesOf(const DtPacket& slot)
{
    return {slot.Samples, slot.Samples + slot.SampleCount};
}

using Samples = std::vector<std::int32_t>;

} // namespace

Q_DECLARE_METATYPE(Samples)
Q_DECLARE_METATYPE(testpackets::Packet)

class TstDtPacket : public QObject
{
    Q_OBJECT

private slots:
    void identification()
    {
        testpackets::Header h;
        h.DasId = 0x12AB;
        h.Sequence = 9876;
        Packet p = testpackets::DtBytes(0x16, 2, 3, 15, h);
        auto slot = FreshSlot();
        QVERIFY(DecodeDtPacket(*slot, p));
        QCOMPARE(std::tuple(int(slot->DasId), int(slot->Experiment), int(slot->Sequence),
                            int(slot->Event), int(slot->Stream), int(slot->Channel)),
                 std::tuple(0x12AB, 7, 9876, 17, 3, 15));
        QCOMPARE(slot->Format, FormatInt16);
        QCOMPARE(std::tuple(slot->Time.Day, slot->Time.Msec), std::tuple(732692, 45296789.0));
    }

    void integerFormats_data()
    {
        QTest::addColumn<int>("formatByte");
        QTest::addColumn<int>("headerCount");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("format");
        QTest::addColumn<Samples>("expected");
        QTest::newRow("16-bit sign") << 0x16 << 3 << QByteArray("\xFF\xFF\x80\x00\x7F\xFF", 6)
                                     << int(FormatInt16) << Samples{-1, -32768, 32767};
        QTest::newRow("32-bit extremes")
            << 0x32 << 2 << QByteArray("\x80\x00\x00\x00\x7F\xFF\xFF\xFF", 8) << int(FormatInt32)
            << Samples{INT_MIN, INT_MAX};
        // Counts beyond the data area are cut to what it holds; nothing past byte 1023 is read.
        QTest::newRow("16-bit count clamped")
            << 0x16 << 9999 << QByteArray() << int(FormatInt16) << Samples(500, 0);
        QTest::newRow("32-bit count clamped")
            << 0x32 << 251 << QByteArray() << int(FormatInt32) << Samples(250, 0);
    }
    void integerFormats()
    {
        QFETCH(int, formatByte);
        QFETCH(int, headerCount);
        QFETCH(QByteArray, data);
        QFETCH(int, format);
        QFETCH(Samples, expected);
        Packet p = testpackets::DtBytes(static_cast<std::uint8_t>(formatByte),
                                        static_cast<unsigned>(headerCount));
        std::memcpy(p.data() + 24, data.constData(), static_cast<std::size_t>(data.size()));
        auto slot = FreshSlot();
        QVERIFY(DecodeDtPacket(*slot, p));
        QCOMPARE(int(slot->Format), format);
        QCOMPARE(SamplesOf(*slot), expected);
    }

    void steim_data()
    {
        QTest::addColumn<Packet>("packet");
        QTest::addColumn<Samples>("expected");
        SteimFrames f(0xC0, 4);
        f.SetX0(1000);
        f.SetData(0, 3, 1, 0x0501FF02);
        f.Row("steim1 bytes, X0 first", {1000, 1001, 1000, 1002});
        f = SteimFrames(0xC0, 5);
        f.SetX0(7);
        f.SetData(0, 3, 2, 0x00640000); // X0 replaces 100; then 0
        f.SetData(0, 4, 3, 0xFFFFFFFE); // -2
        f.SetData(0, 5, 2, 0x0003FFFD); // 3, -3
        f.Row("steim1 halves and word", {7, 7, 5, 8, 5});
        // The running value wraps like the format's two's-complement integration.
        f = SteimFrames(0xC0, 3);
        f.SetX0(INT_MAX);
        f.SetData(0, 3, 3, 0);
        f.SetData(0, 4, 3, 1);
        f.SetData(0, 5, 3, 0x80000000u);
        f.Row("steim1 wraps", {INT_MAX, INT_MIN, 0});
        // No data word at word 3 of frame 0: integration starts from 0.
        f = SteimFrames(0xC0, 2);
        f.SetX0(1000);
        f.SetData(0, 4, 1, 0x01020000);
        f.Row("steim1 first word elsewhere", {1, 3});
        // Data codes on w1 and w2 of the first frame are decoded like any other word.
        f = SteimFrames(0xC0, 3);
        f.SetData(0, 1, 1, 0x01010100);
        f.Row("steim1 data code on X0 word", {1, 2, 3});
        f = SteimFrames(0xC0, 3);
        f.SetX0(10);
        f.SetData(0, 3, 1, 0x01010101);
        f.SetData(0, 4, 1, 0x01010101);
        f.Row("steim1 stops at the sample count", {10, 11, 12});
        // Later frames continue the integration.
        f = SteimFrames(0xC0, 6);
        f.SetData(0, 3, 1, 0x00010101);
        f.SetData(14, 15, 1, 0x0A0B0000);
        f.Row("steim1 last word of last frame", {0, 1, 2, 3, 13, 24});
        f = SteimFrames(0xC2, 6);
        f.SetX0(50);
        f.SetData(0, 3, 1, 0x00000000);
        f.SetData(0, 4, 2, (2u << 30) | (3u << 15) | (0x7FFDu)); // 3, -3
        f.Row("steim2 two 15-bit", {50, 50, 50, 50, 53, 50});
        f = SteimFrames(0xC2, 8);
        f.SetX0(-5);
        f.SetData(0, 3, 2, (1u << 30) | 0x3FFFFFFFu);              // 30-bit -1, replaced by X0
        f.SetData(0, 4, 3, (2u << 30) | (3u << 28) | 0x1234567Fu); // bits 29-28 ignored
        f.Row("steim2 seven 4-bit", {-5, -3, 0, 4, 9, 15, 22, 21});
        f = SteimFrames(0xC2, 10);
        f.SetData(0, 3, 2, (3u << 30) | (1u << 20) | (0x3FFu << 10) | 0x200u); // 1, -1, -512
        f.SetData(0, 4, 3,
                  (0u << 30) | (1u << 24) | (0x3Fu << 18) | (31u << 12) | (0x20u << 6) | 2u);
        f.SetData(0, 5, 2, 0x12345678u & 0x3FFFFFFFu); // top bits 00: passed over
        f.SetData(0, 6, 3, 0xFFFFFFFFu);               // top bits 11: passed over
        f.SetData(0, 7, 3,
                  (1u << 30) | (1u << 25) | (0x1Fu << 20) | (15u << 15) | (0x10u << 10) |
                      (0u << 5) | 1u);
        f.Row("steim2 mixed widths, unknown layouts skipped",
              {0, -1, -513, -512, -513, -482, -514, -512, -511, -512});
        // Compressed data that ends early: only the samples written count.
        f = SteimFrames(0xC2, 1000);
        f.SetX0(9);
        f.SetData(0, 3, 1, 0x00010203);
        f.Row("steim2 runs out", {9, 10, 12, 15});
        f = SteimFrames(0xC2, 0);
        f.SetData(0, 3, 1, 0x01010101);
        f.Row("steim2 no samples", {});
    }
    void steim()
    {
        QFETCH(Packet, packet);
        QFETCH(Samples, expected);
        auto slot = FreshSlot();
        QVERIFY(DecodeDtPacket(*slot, packet));
        QCOMPARE(int(slot->Format), packet[23] == 0xC0 ? int(FormatSteim1) : int(FormatSteim2));
        QCOMPARE(SamplesOf(*slot), expected);
        QCOMPARE(slot->Samples[slot->SampleCount], 0x5A5A5A5A); // nothing written past the count
    }

    void refusedFormats_data()
    {
        QTest::addColumn<int>("formatByte");
        QTest::newRow("0xC1") << 0xC1;
        QTest::newRow("0x24") << 0x24;
        QTest::newRow("0x2C reads as 32 in BCD") << 0x2C;
        QTest::newRow("0xBA reads as 120 in BCD") << 0xBA;
        QTest::newRow("0xBC reads as 122 in BCD") << 0xBC;
        QTest::newRow("0x00") << 0x00;
    }
    void refusedFormats()
    {
        QFETCH(int, formatByte);
        Packet p = testpackets::DtBytes(static_cast<std::uint8_t>(formatByte), 100);
        auto slot = FreshSlot();
        slot->SampleCount = 250;
        QVERIFY(!DecodeDtPacket(*slot, p));
        QCOMPARE(slot->SampleCount, 0); // the slot is empty until overwritten
    }
};

QTEST_APPLESS_MAIN(TstDtPacket)
#include "tst_dtpacket.moc"
