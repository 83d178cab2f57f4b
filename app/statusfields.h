#pragma once

#include <QObject>

class PksdLink;
class QEvent;
class QLabel;
class QStatusBar;
class QTimer;
struct ChannelCatalogue;
struct HealthBoard;

// The permanent fields at the right of the status bar, which no transient message covers: the
// link's state with the server's address, in a warning colour while the server is silent, and
// "Monitor stopped" while the monitor timer is off; beside them the channels' health, in the
// same warning colour while any is unwell, which opens the health list when clicked.
class StatusFields : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(StatusFields)

public:
    StatusFields(QStatusBar& bar, const PksdLink& link, const QTimer& monitorTimer,
                 QObject* parent = nullptr);

    QLabel* LinkField() const { return link_; }
    QLabel* MonitorField() const { return monitor_; }
    QLabel* HealthField() const { return health_; }

    // The summary of the latest judgement, its channels by name in the tool tip.
    void ShowHealth(const HealthBoard& board, const ChannelCatalogue& cat);

public slots:
    void ShowLink();
    void ShowMonitor();

signals:
    void healthFieldClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const PksdLink& source_;
    const QTimer& monitorTimer_;
    QLabel* link_ = nullptr;
    QLabel* monitor_ = nullptr;
    QLabel* health_ = nullptr;
};
