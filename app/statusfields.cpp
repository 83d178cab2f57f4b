#include "app/statusfields.h"

#include "display/healthmark.h"
#include "display/tracelabels.h"
#include "link/pksdlink.h"
#include "store/channelcatalogue.h"
#include "store/healthboard.h"
#include "store/healthtext.h"

#include <QEvent>
#include <QLabel>
#include <QPalette>
#include <QStatusBar>
#include <QStringList>
#include <QTimer>

namespace {

// The tool tip names at most this many channels.
constexpr int kToolTipChannels = 40;

// The silent link's look: red and bold.
void ShowWarning(QLabel& field, bool warn)
{
    QPalette pal = field.palette();
    const QColor wanted = warn ? WarningColor() : QPalette().color(QPalette::WindowText);
    if (pal.color(QPalette::WindowText) != wanted) {
        pal.setColor(QPalette::WindowText, wanted);
        field.setPalette(pal);
    }
    QFont font = field.font();
    if (font.bold() != warn) {
        font.setBold(warn);
        field.setFont(font);
    }
}

QString HealthToolTip(const HealthBoard& board, const ChannelCatalogue& cat)
{
    QStringList lines;
    const std::vector<HealthRow> rows = HealthRows(board, cat);
    for (const HealthRow& r : rows) {
        if (lines.size() == kToolTipChannels) {
            lines << QStringLiteral("… and %1 more").arg(rows.size() - lines.size());
            break;
        }
        if (r.Entry >= 0) {
            const DasStreamChanInfo& e = cat.Entries[static_cast<std::size_t>(r.Entry)];
            const QString state =
                r.Worst == HealthState::Ok ? HealthStateWord(r.Worst) : HealthMarkText(e.Health);
            lines << ChannelLabelText(e) + u' ' + e.Name + QStringLiteral(": ") + state;
            continue;
        }
        const StoredSelection& sel = board.Stored[static_cast<std::size_t>(r.Stored)];
        DasStreamChanInfo e;
        e.DasId = sel.DasId;
        e.Stream = sel.Stream;
        e.Channel = sel.Channel;
        e.Name = sel.Name;
        lines << ChannelLabelText(e) + u' ' + e.Name + QStringLiteral(": ") + NeverHeardMarkText();
    }
    return lines.join(u'\n');
}

} // namespace

StatusFields::StatusFields(QStatusBar& bar, const PksdLink& link, const QTimer& monitorTimer,
                           QObject* parent)
    : QObject(parent), source_(link), monitorTimer_(monitorTimer)
{
    monitor_ = new QLabel(tr("Monitor stopped"), &bar);
    monitor_->setObjectName(QStringLiteral("monitorStatusField"));
    link_ = new QLabel(&bar);
    link_->setObjectName(QStringLiteral("linkStatusField"));
    health_ = new QLabel(&bar);
    health_->setObjectName(QStringLiteral("healthStatusField"));
    health_->installEventFilter(this);
    bar.addPermanentWidget(monitor_);
    bar.addPermanentWidget(link_);
    bar.addPermanentWidget(health_);
    connect(&link, &PksdLink::linkStatusChanged, this, &StatusFields::ShowLink);
    ShowLink();
    ShowMonitor();
}

void StatusFields::ShowLink()
{
    const QString text = source_.LinkStatusText();
    if (link_->text() != text)
        link_->setText(text);
    ShowWarning(*link_, source_.LinkIsSilent());
}

void StatusFields::ShowHealth(const HealthBoard& board, const ChannelCatalogue& cat)
{
    const QString text = HealthFieldText(board.Counts);
    if (health_->text() != text)
        health_->setText(text);
    health_->setToolTip(HealthToolTip(board, cat));
    ShowWarning(*health_, !board.Counts.AllOk());
}

bool StatusFields::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == health_ && event->type() == QEvent::MouseButtonRelease)
        emit healthFieldClicked();
    return QObject::eventFilter(watched, event);
}

void StatusFields::ShowMonitor()
{
    monitor_->setVisible(!monitorTimer_.isActive());
}
