// The inspection tool's readers and report over an arbitrary input held in memory. The first
// byte chooses the options: bit 0 frame mode, bit 1 samples listed, bit 2 JSON.
#include "fuzz/fuzzcheck.h"
#include "tools/inspect/packetreport.h"
#include "tools/inspect/streamreader.h"

#include <QBuffer>
#include <QJsonDocument>

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    InspectOptions options;
    options.Mode = (data[0] & 1) ? InputMode::Frames : InputMode::Packets;
    options.Samples = (data[0] & 2) != 0;
    options.Json = (data[0] & 4) != 0;

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    PacketReport report(options, out);
    ReadBuffer(std::span(data + 1, size - 1), options.Mode, report);
    if (options.Json) {
        // One object per line, nothing else.
        const QList<QByteArray> lines = out.data().split('\n');
        for (const QByteArray& line : lines)
            FUZZ_CHECK(line.isEmpty() || QJsonDocument::fromJson(line).isObject());
    }
    return 0;
}
