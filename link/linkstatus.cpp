#include "link/linkstatus.h"

#include <QHostAddress>

#include <algorithm>
#include <cmath>

namespace {

constexpr std::int64_t kMsecPerMinute = 60000;

QString RetryText(const LinkStatus& s, std::int64_t nowMs)
{
    if (s.RetryAtMs < 0)
        return {};
    const std::int64_t left = std::max<std::int64_t>(s.RetryAtMs - nowMs, 0);
    return QStringLiteral(" · retry in %1 s").arg((left + 999) / 1000);
}

} // namespace

bool LinkIsSilent(const LinkStatus& s, std::int64_t nowMs, int warnAfterSeconds)
{
    return s.Phase == LinkPhase::Connected && warnAfterSeconds > 0 &&
           nowMs - s.LastFrameMs >= std::int64_t{warnAfterSeconds} * 1000;
}

QString LinkStatusText(const LinkStatus& s, std::int64_t nowMs, int warnAfterSeconds)
{
    switch (s.Phase) {
    case LinkPhase::Idle:
        return QStringLiteral("Not connected");
    case LinkPhase::Connecting:
        return QStringLiteral("Connecting to ") + s.Server;
    case LinkPhase::Handshaking:
        return QStringLiteral("Handshaking");
    case LinkPhase::Connected: {
        const QString head = QStringLiteral("Connected to ") + s.Server + QStringLiteral(" · ");
        if (LinkIsSilent(s, nowMs, warnAfterSeconds))
            return head + QStringLiteral("No data for ") + SilenceSpanText(nowMs - s.LastFrameMs);
        if (s.Frames == 0)
            return head + QStringLiteral("waiting for data");
        // A slow stream keeps a decimal, so that it does not read as 0.
        return head +
               (s.FramesPerSecond < 9.95 ? QString::number(s.FramesPerSecond, 'f', 1)
                                         : QString::number(std::llround(s.FramesPerSecond))) +
               QStringLiteral(" packets/s");
    }
    case LinkPhase::Failed:
        return s.Failure + RetryText(s, nowMs);
    case LinkPhase::Closed:
        return QStringLiteral("Closed");
    }
    return {};
}

QString SilenceSpanText(std::int64_t silentMs)
{
    // A limit set below a minute would otherwise read "0 min".
    if (silentMs < kMsecPerMinute)
        return QStringLiteral("%1 s").arg(silentMs / 1000);
    return QStringLiteral("%1 min").arg(silentMs / kMsecPerMinute);
}

QString ServerText(const QString& host, std::uint16_t port)
{
    const QString bare = SocketHost(host);
    const bool ipv6 = QHostAddress(bare).protocol() == QAbstractSocket::IPv6Protocol;
    return (ipv6 ? QLatin1Char('[') + bare + QLatin1Char(']') : bare) + QLatin1Char(':') +
           QString::number(port);
}

QString SocketHost(const QString& typed)
{
    const QString t = typed.trimmed();
    if (t.size() > 2 && t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))) {
        const QString inner = t.mid(1, t.size() - 2);
        if (QHostAddress(inner).protocol() == QAbstractSocket::IPv6Protocol)
            return inner;
    }
    return typed;
}
