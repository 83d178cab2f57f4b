// Writes the seed corpora of the harnesses: fuzz_seeds <corpus dir>, one folder per harness.
#include "link/frame.h"
#include "packets/bcd.h"
#include "packets/dtpacket.h"
#include "packets/packetwriter.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <span>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Seismic-like noise riding on a slow sine.
std::vector<std::int32_t> Signal(int n, double amplitude, unsigned seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, amplitude / 20.0);
    std::vector<std::int32_t> s(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        s[static_cast<std::size_t>(i)] =
            static_cast<std::int32_t>(std::lround(amplitude * std::sin(i * 0.03) + noise(rng)));
    return s;
}

PacketHeader Header(std::uint16_t dasId, int second)
{
    PacketHeader h;
    h.DasId = dasId;
    h.Experiment = 3;
    h.Sequence = static_cast<std::uint16_t>(second);
    h.Time.Day = 9000;
    h.Time.Msec = 3600000.0 + 1000.0 * second;
    return h;
}

PacketBytes Dt(SampleFormat format, std::uint16_t dasId, std::uint16_t channel, double amplitude,
               int second)
{
    DtFields f;
    f.Header = Header(dasId, second);
    f.Channel = channel;
    f.Format = format;
    PacketBytes p{};
    const auto signal = Signal(2000, amplitude, static_cast<unsigned>(second + channel));
    WriteDtPacket(p, f, signal);
    return p;
}

PacketBytes Eh(std::uint16_t dasId, bool trailer, bool bank)
{
    EventHeaderFields f;
    f.Header = Header(dasId, 0);
    f.Trailer = trailer;
    f.ChannelBank = bank;
    f.Name = "STA1";
    f.SampleRate = " 100";
    const char* weights[] = {"1.5uV", "2mV", "0.5V", "3.0", "1.2nV", "bad"};
    const char units[] = {'V', 'A', 'D', 'G', 'X', 'V'};
    for (int i = 0; i < 6; ++i) {
        f.Positions[static_cast<std::size_t>(i)].BitWeight = weights[i];
        f.Positions[static_cast<std::size_t>(i)].VoltsPerUnit = "20.0";
        f.Positions[static_cast<std::size_t>(i)].Unit = units[i];
    }
    PacketBytes p{};
    WriteEventHeader(p, f);
    return p;
}

void Append(Bytes& out, std::span<const std::uint8_t> bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void AppendFrame(Bytes& out, std::span<const std::uint8_t> payload)
{
    Append(out, MakeFrame(7, payload));
}

bool Write(const QString& root, const char* harness, const char* name,
           std::span<const std::uint8_t> bytes)
{
    const QString dir = root + u'/' + QLatin1String(harness);
    QDir().mkpath(dir);
    QFile file(dir + u'/' + QLatin1String(name));
    return file.open(QIODevice::WriteOnly) &&
           file.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

bool WriteText(const QString& root, const char* harness, const char* name, const char* text)
{
    const QByteArray bytes(text);
    return Write(root, harness, name,
                 std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                           static_cast<std::size_t>(bytes.size())));
}

// A short stream of a unit's event header, data of two channels, a trailer and frames that are
// dropped, behind the harness's flag byte.
Bytes Stream(std::uint8_t flags, SampleFormat format)
{
    Bytes s{flags};
    AppendFrame(s, Eh(0x9A3C, false, false));
    for (int second = 0; second < 3; ++second) {
        AppendFrame(s, Dt(format, 0x9A3C, 0, 30000.0, second));
        AppendFrame(s, Dt(format, 0x9A3C, 1, 800.0, second));
    }
    AppendFrame(s, Dt(format, 0x00A3, 2, 50.0, 4));
    const PacketBytes et = Eh(0x9A3C, true, true);
    AppendFrame(s, std::span(et).first(600));
    const std::uint8_t foreign[] = {'X', 'Y', 1, 2, 3};
    AppendFrame(s, foreign);
    const PacketBytes dt = Dt(FormatInt16, 0x9A3C, 0, 100.0, 9);
    AppendFrame(s, std::span(dt).first(1000));
    return s;
}

Bytes RawPackets(std::uint8_t flags)
{
    Bytes s{flags};
    Append(s, Eh(0x1234, false, false));
    Append(s, Dt(FormatSteim2, 0x1234, 0, 30000.0, 0));
    Append(s, Dt(FormatInt32, 0x1234, 1, 1e6, 1));
    const PacketBytes cut = Dt(FormatSteim1, 0x1234, 2, 100.0, 2);
    Append(s, std::span(cut).first(700));
    return s;
}

// A Steim packet's first frameBytes of frames behind the steimpaths harness's parameters; count
// -1 takes the packet's own.
Bytes SteimFrames(std::uint8_t flags, const PacketBytes& packet, int count, int room,
                  std::size_t frameBytes = 960)
{
    const int n =
        (count < 0 ? static_cast<int>(ReadBcd(packet.data(), kDtSampleCountField)) : count) + 16;
    Bytes s{flags, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n),
            static_cast<std::uint8_t>(room >> 8), static_cast<std::uint8_t>(room)};
    Append(s, std::span(packet).subspan(64, frameBytes));
    return s;
}

// Fifteen frames of seven differences in every word, codes of words 1 and 2 included: the most
// samples the frames hold.
Bytes MostDifferences()
{
    Bytes s{1, 2016 >> 8, 2016 & 0xFF, 2000 >> 8, 2000 & 0xFF};
    for (int f = 0; f < 15; ++f) {
        Append(s, std::array<std::uint8_t, 4>{0x3F, 0xFF, 0xFF, 0xFF});
        for (int w = 1; w < 16; ++w)
            Append(s, std::array<std::uint8_t, 4>{0xA7, 0x77, 0x77, 0x77});
    }
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds CORPUS_DIR\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    bool ok = true;

    ok &= Write(root, "dtpacket", "int16", Dt(FormatInt16, 0x9A3C, 0, 20000.0, 0));
    ok &= Write(root, "dtpacket", "int32", Dt(FormatInt32, 0x9A3C, 1, 2e6, 0));
    ok &= Write(root, "dtpacket", "steim1", Dt(FormatSteim1, 0x9A3C, 2, 30000.0, 0));
    ok &= Write(root, "dtpacket", "steim2", Dt(FormatSteim2, 0x9A3C, 3, 30000.0, 0));
    ok &= Write(root, "dtpacket", "steim2-small", Dt(FormatSteim2, 0x9A3C, 3, 5.0, 0));
    ok &= Write(root, "dtpacket", "steim1-large", Dt(FormatSteim1, 0x9A3C, 3, 1e8, 0));

    const PacketBytes steim1 = Dt(FormatSteim1, 0x9A3C, 2, 30000.0, 0);
    const PacketBytes steim2 = Dt(FormatSteim2, 0x9A3C, 3, 30000.0, 0);
    ok &= Write(root, "steimpaths", "steim1", SteimFrames(0, steim1, -1, 2000));
    ok &= Write(root, "steimpaths", "steim2", SteimFrames(1, steim2, -1, 2000));
    ok &= Write(root, "steimpaths", "steim2-small",
                SteimFrames(1, Dt(FormatSteim2, 0x9A3C, 3, 5.0, 0), -1, 2000));
    ok &= Write(root, "steimpaths", "steim1-unswapped", SteimFrames(2, steim1, -1, 2000));
    ok &= Write(root, "steimpaths", "steim2-most-differences", MostDifferences());
    ok &=
        Write(root, "steimpaths", "steim2-cut-short-room", SteimFrames(1, steim2, 2000, 300, 700));

    ok &= Write(root, "eventheader", "eh", Eh(0x9A3C, false, false));
    ok &= Write(root, "eventheader", "et-bank", Eh(0x9A3C, true, true));
    const PacketBytes eh = Eh(0x00A3, false, false);
    ok &= Write(root, "eventheader", "eh-short", std::span(eh).first(300));

    ok &= Write(root, "receive", "keep-all", Stream(0, FormatSteim2));
    ok &= Write(root, "receive", "keep-selected", Stream(5, FormatSteim1));
    ok &= Write(root, "receive", "small-catalogue", Stream(3, FormatInt32));

    ok &= Write(root, "inspect", "packets", RawPackets(0));
    ok &= Write(root, "inspect", "packets-json-samples", RawPackets(6));
    Bytes frames = Stream(1, FormatSteim2);
    ok &= Write(root, "inspect", "frames", frames);
    frames[0] = 7;
    ok &= Write(root, "inspect", "frames-json-samples", frames);

    ok &= WriteText(root, "settings", "full.ini",
                    "[ovqt_dislay]\n"
                    "TextColor=\"(255,255,0)\"\nAxesColor=\"(0,255,255)\"\n"
                    "BackGroundColor=\"(0,0,0)\"\nPksdHost=pksd.example\nPksdPort=2543\n"
                    "SortColumn=3\nSortOrder=0\nKeepSel=0\nAutoStartMonitor=1\n"
                    "AutoStartPKSD=1\nTimeRange=600\nTimeShift=-30\nNringBuffer=5000\n"
                    "TimeLable=0\nMinMaxLable=1\nMeanRangeLable=0\nVoltsLable=2\n"
                    "ZeroDcOffset=1\nAmpScale=3\nTimeScale=4\nScaleFactor=2.5\n"
                    "\n[ovqt_dislay/DasStreamChanInfo/00010000]\n"
                    "Active=1\nName=STA1\nSampleRate=100\nBitWeight=1.5e-06\n"
                    "VoltsPerUnit=20\nUnitCode=M/S\nTraceColor=\"(12,200,7)\"\n");
    ok &= WriteText(root, "settings", "odd.ini",
                    "[ovqt_dislay]\nPksdHost=a,b\\,c\nPksdPort=70000\nNringBuffer=-3\n"
                    "TimeRange=0\nScaleFactor=nan\nTextColor=(1,2)\nKeepSel=2\n"
                    "[ovqt_dislay/DasStreamChanInfo/00010000]\nName=\"x,y\"\n"
                    "TraceColor=(300,0,0)\nUnitCode=\n");
    return ok ? 0 : 1;
}
