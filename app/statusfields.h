#pragma once

#include <QObject>

class PksdLink;
class QLabel;
class QStatusBar;
class QTimer;

// The permanent fields at the right of the status bar, which no transient message covers: the
// link's state with the server's address, in a warning colour while the server is silent, and
// "Monitor stopped" while the monitor timer is off.
class StatusFields : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(StatusFields)

public:
    StatusFields(QStatusBar& bar, const PksdLink& link, const QTimer& monitorTimer,
                 QObject* parent = nullptr);

    QLabel* LinkField() const { return link_; }
    QLabel* MonitorField() const { return monitor_; }

public slots:
    void ShowLink();
    void ShowMonitor();

private:
    const PksdLink& source_;
    const QTimer& monitorTimer_;
    QLabel* link_ = nullptr;
    QLabel* monitor_ = nullptr;
};
