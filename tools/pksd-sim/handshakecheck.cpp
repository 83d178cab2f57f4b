#include "handshakecheck.h"

#include "link/bytespan.h"
#include "link/frame.h"
#include "link/handshake.h"
#include "packets/bigendian.h"

#include <algorithm>

namespace {

// The message a monitor client sends n-th (1 to 3), from the client's own builder; the
// identification's process id is the only field that differs from client to client.
Frame Expected(const HandshakeMessages& m, int n)
{
    switch (n) {
    case 1:
        return ReadFrame(m.Opening);
    case 2:
        return ReadFrame(m.Identification);
    default:
        return ReadFrame(m.Request);
    }
}

constexpr std::size_t kProcessIdBytes = 4;

} // namespace

bool HandshakeCheck::Feed(const QByteArray& bytes)
{
    if (done_)
        return true;
    pending_ += bytes;
    while (messages_ < 3) {
        const Frame frame = ReadFrame(ByteSpan(pending_));
        if (frame.Outcome == FrameOutcome::NeedMore)
            return false;
        if (frame.Outcome == FrameOutcome::BadLength) {
            report_ << QStringLiteral("handshake %1 mismatch: type %2 length %3, not a frame")
                           .arg(messages_ + 1)
                           .arg(frame.Type)
                           .arg(frame.Length);
            done_ = true;
            return true;
        }
        Check(frame.Type, pending_.mid(kFrameHeaderBytes, frame.Length));
        pending_.remove(0, static_cast<qsizetype>(frame.Size()));
        ++messages_;
    }
    done_ = messages_ == 3;
    return done_;
}

void HandshakeCheck::Check(std::uint16_t type, const QByteArray& payload)
{
    const int n = messages_ + 1;
    static const HandshakeMessages kExpected = BuildHandshake(0);
    const Frame expected = Expected(kExpected, n);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(payload.constData());
    const auto size = static_cast<std::size_t>(payload.size());
    // The identification starts with the client's process id, which is its own.
    const std::size_t skip = n == 2 ? std::min(kProcessIdBytes, size) : 0;
    const bool ok = type == expected.Type && size == expected.Payload.size() &&
                    std::equal(bytes + skip, bytes + size, expected.Payload.begin() + skip);
    QString detail;
    if (n == 2 && size >= kProcessIdBytes)
        detail = QStringLiteral(" pid %1").arg(ReadBig32(bytes));
    if (ok)
        ++matched_;
    report_ << QStringLiteral("handshake %1 %2: type %3 length %4%5")
                   .arg(n)
                   .arg(ok ? QStringLiteral("ok") : QStringLiteral("mismatch"))
                   .arg(type)
                   .arg(payload.size())
                   .arg(detail);
}
