#include "handshakecheck.h"

#include "link/bytespan.h"
#include "link/frame.h"

namespace {

constexpr int kClientNameBytes = 32;

QByteArray ExpectedName()
{
    QByteArray name("TREMVUE-2.4");
    name.append(kClientNameBytes - name.size(), '\0');
    return name;
}

QByteArray ExpectedRequest()
{
    static const std::uint32_t kWords[] = {0, 65535, 0, 30, 1, 0, 0};
    QByteArray request;
    for (std::uint32_t word : kWords) {
        for (int shift = 24; shift >= 0; shift -= 8)
            request.append(static_cast<char>((word >> shift) & 0xFF));
    }
    return request;
}

std::uint32_t BigEndian32(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return (static_cast<std::uint32_t>(b[0]) << 24) | (static_cast<std::uint32_t>(b[1]) << 16) |
           (static_cast<std::uint32_t>(b[2]) << 8) | b[3];
}

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
    bool ok = false;
    QString detail;
    switch (n) {
    case 1:
        ok = type == 1 && payload.isEmpty();
        break;
    case 2:
        ok = type == 11 && payload.size() == 36 && payload.mid(4) == ExpectedName();
        if (payload.size() >= 4)
            detail = QStringLiteral(" pid %1").arg(BigEndian32(payload.constData()));
        break;
    default:
        ok = type == 3 && payload == ExpectedRequest();
        break;
    }
    if (ok)
        ++matched_;
    report_ << QStringLiteral("handshake %1 %2: type %3 length %4%5")
                   .arg(n)
                   .arg(ok ? QStringLiteral("ok") : QStringLiteral("mismatch"))
                   .arg(type)
                   .arg(payload.size())
                   .arg(detail);
}
