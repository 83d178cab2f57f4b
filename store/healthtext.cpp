#include "store/healthtext.h"

#include "store/healthboard.h"

#include <QStringList>

#include <cstdlib>

namespace {

// How the summary names the channels worst in a state.
QString FieldPhrase(HealthState s)
{
    return s == HealthState::Gaps ? QStringLiteral("with gaps") : HealthStateWord(s);
}

QString Counted(std::uint32_t n, const char* one, const char* many)
{
    return QString::number(n) + u' ' + QLatin1String(n == 1 ? one : many);
}

} // namespace

QString HealthStateWord(HealthState s)
{
    switch (s) {
    case HealthState::NeverHeard:
        return QStringLiteral("never heard");
    case HealthState::Silent:
        return QStringLiteral("silent");
    case HealthState::Late:
        return QStringLiteral("late");
    case HealthState::Clipped:
        return QStringLiteral("clipped");
    case HealthState::Flat:
        return QStringLiteral("flat");
    case HealthState::Gaps:
        return QStringLiteral("gaps");
    case HealthState::Ok:
        return QStringLiteral("OK");
    case HealthState::Idle:
        break;
    }
    return QStringLiteral("not selected");
}

QString HealthSpanText(std::int64_t ms)
{
    const std::int64_t s = std::llabs(ms) / 1000;
    if (s < 60)
        return QString::number(s) + QStringLiteral(" s");
    if (s < 3600)
        return QString::number(s / 60) + QStringLiteral(" min");
    if (s < 86400)
        return QString::number(s / 3600) + QStringLiteral(" h");
    return QString::number(s / 86400) + QStringLiteral(" d");
}

QString HealthDelayText(std::int64_t ms)
{
    return ms < 0 ? u'-' + HealthSpanText(ms) : HealthSpanText(ms);
}

QString NeverHeardMarkText()
{
    return HealthStateWord(HealthState::NeverHeard);
}

QString HealthMarkText(const ChannelHealth& h)
{
    switch (h.Worst) {
    case HealthState::NeverHeard:
        return NeverHeardMarkText();
    case HealthState::Silent:
        return QStringLiteral("silent ") + HealthSpanText(h.SilentMs);
    case HealthState::Late:
        if (h.DelayMs < 0)
            return QStringLiteral("ahead ") + HealthSpanText(h.DelayMs);
        if (h.ArrivalDelayMs < 0)
            return QStringLiteral("ahead ") + HealthSpanText(h.ArrivalDelayMs);
        return QStringLiteral("late ") + HealthSpanText(h.DelayMs);
    case HealthState::Clipped:
    case HealthState::Flat:
        return HealthStateWord(h.Worst);
    case HealthState::Gaps: {
        QStringList parts;
        if (h.GapsHour > 0)
            parts << Counted(h.GapsHour, "gap", "gaps");
        if (h.OverlapsHour > 0)
            parts << Counted(h.OverlapsHour, "overlap", "overlaps");
        return parts.join(QStringLiteral(", "));
    }
    case HealthState::Ok:
    case HealthState::Idle:
        break;
    }
    return {};
}

QString HealthFieldText(const HealthCounts& counts)
{
    if (counts.Total == 0)
        return QStringLiteral("No channels");
    const QString channels = QLatin1String(counts.Total == 1 ? " channel " : " channels ");
    if (counts.AllOk())
        return QString::number(counts.Total) + channels + HealthStateWord(HealthState::Ok);
    QStringList parts;
    for (int i = 0; i < static_cast<int>(HealthState::Ok); ++i) {
        const int n = counts.ByWorst[static_cast<std::size_t>(i)];
        if (n == 0)
            continue;
        const QString phrase = FieldPhrase(static_cast<HealthState>(i));
        if (parts.isEmpty())
            parts << QString::number(n) + QStringLiteral(" of ") + QString::number(counts.Total) +
                         channels + phrase;
        else
            parts << QString::number(n) + u' ' + phrase;
    }
    return parts.join(QStringLiteral(" · "));
}
