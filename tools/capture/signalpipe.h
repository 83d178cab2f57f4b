#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal: the handler only writes the signal's number into a
// pipe, and the event loop reads it. One instance per process.
class SignalPipe : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(SignalPipe)

public:
    explicit SignalPipe(QObject* parent = nullptr);
    ~SignalPipe() override;

    // False when the pipe or the handlers could not be set up.
    bool Ok() const { return notifier_ != nullptr; }

signals:
    void caught(int signalNumber);

private:
    void Drain();

    QSocketNotifier* notifier_ = nullptr;
};
