#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <csignal>
#include <functional>
#include <sys/prctl.h>

// A child of a test dies with the test, even when the test crashes. more runs in the child too.
inline void TieToTest(QProcess& child, std::function<void()> more = {})
{
    child.setChildProcessModifier([more] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (more)
            more();
    });
}

// A child that is ended when the test no longer needs it.
class TestChild : public QProcess
{
public:
    ~TestChild() override
    {
        if (state() != NotRunning) {
            kill();
            waitForFinished(5000);
        }
    }
};

// Starts pksd-sim on a free loopback port; returns the port, 0 when it did not come up.
inline quint16 StartPksdSim(QProcess& sim, const QString& program, QStringList arguments)
{
    arguments.prepend(QStringLiteral("127.0.0.1:0"));
    arguments.prepend(QStringLiteral("--listen"));
    TieToTest(sim);
    sim.start(program, arguments);
    if (!sim.waitForStarted() || !sim.waitForReadyRead(10000))
        return 0;
    const QByteArray first = sim.readLine().trimmed();
    if (!first.startsWith("listening "))
        return 0;
    return first.mid(first.lastIndexOf(':') + 1).toUShort();
}
