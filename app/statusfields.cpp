#include "app/statusfields.h"

#include "link/pksdlink.h"

#include <QLabel>
#include <QPalette>
#include <QStatusBar>
#include <QTimer>

StatusFields::StatusFields(QStatusBar& bar, const PksdLink& link, const QTimer& monitorTimer,
                           QObject* parent)
    : QObject(parent), source_(link), monitorTimer_(monitorTimer)
{
    monitor_ = new QLabel(tr("Monitor stopped"), &bar);
    monitor_->setObjectName(QStringLiteral("monitorStatusField"));
    link_ = new QLabel(&bar);
    link_->setObjectName(QStringLiteral("linkStatusField"));
    bar.addPermanentWidget(monitor_);
    bar.addPermanentWidget(link_);
    connect(&link, &PksdLink::linkStatusChanged, this, &StatusFields::ShowLink);
    ShowLink();
    ShowMonitor();
}

void StatusFields::ShowLink()
{
    const QString text = source_.LinkStatusText();
    if (link_->text() != text)
        link_->setText(text);
    const bool silent = source_.LinkIsSilent();
    QPalette pal = link_->palette();
    const QColor wanted = silent ? QColor(192, 0, 0) : QPalette().color(QPalette::WindowText);
    if (pal.color(QPalette::WindowText) != wanted) {
        pal.setColor(QPalette::WindowText, wanted);
        link_->setPalette(pal);
    }
    QFont font = link_->font();
    if (font.bold() != silent) {
        font.setBold(silent);
        link_->setFont(font);
    }
}

void StatusFields::ShowMonitor()
{
    monitor_->setVisible(!monitorTimer_.isActive());
}
