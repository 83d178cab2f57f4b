#pragma once

#include <QProcess>
#include <QStringList>

#include <csignal>
#include <functional>
#include <sys/prctl.h>

// The words of a command line, then more.
inline QStringList Args(const char* text, const QStringList& more = {})
{
    return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts) + more;
}

// A child of a test: it dies with the test, even when the test crashes, and is ended when the
// test no longer needs it. more runs in the child before the program starts.
class TestChild : public QProcess
{
public:
    explicit TestChild(std::function<void()> more = {})
    {
        setChildProcessModifier([more] {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (more)
                more();
        });
    }
    ~TestChild() override
    {
        if (state() != NotRunning) {
            kill();
            waitForFinished(5000);
        }
    }

    // Runs program to its end with input on its standard input; the exit code, or -1 on a crash.
    int Run(const QString& program, const QStringList& arguments, const QByteArray& input = {})
    {
        start(program, arguments);
        if (!waitForStarted())
            return -1;
        write(input);
        closeWriteChannel();
        waitForFinished(60000);
        return exitStatus() == NormalExit ? exitCode() : -1;
    }
};
