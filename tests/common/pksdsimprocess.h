#pragma once

#include "tests/common/childprocess.h"

#include <QObject>
#include <QProcess>
#include <QStringList>

#include <cstdint>

// pksd-sim as a child process that dies with its parent. Its stderr is kept line by line, so the
// faults it injected can be counted while it runs.
class PksdSimProcess : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PksdSimProcess)

public:
    explicit PksdSimProcess(QString program, QObject* parent = nullptr);
    ~PksdSimProcess() override;

    // Starts it with --listen host:port (port 0: a free one) and the options; waits for the
    // "listening" line and reads the port back.
    bool Start(const QStringList& options, std::uint16_t port = 0);
    std::uint16_t Port() const { return port_; }
    bool Running() const { return process_.state() != QProcess::NotRunning; }
    void Stop();

    const QStringList& LogLines() const { return lines_; }
    // Log lines that start with "fault ".
    int FaultCount() const;

private slots:
    void ReadLog();

private:
    QString program_;
    TestChild process_;
    QByteArray partial_;
    QStringList lines_;
    std::uint16_t port_ = 0;
};
