#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>
#include <QTest>

#include <csignal>
#include <functional>
#include <sys/prctl.h>
#include <unistd.h>

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

// Root writes and reads whatever the permissions say. A test of refused files, run as root,
// calls this to run its own test function again as the user nobody, for whom they hold, and
// checks the result; as anyone else it returns false and the test goes on in its own process.
// The test's own files must then be made by the child, which owns them.
inline bool RanAsNobody(const char* testFunction, int& exitCode, QByteArray& output)
{
    if (::geteuid() != 0)
        return false;
    QString run = QString::fromLatin1(testFunction);
    if (const char* tag = QTest::currentDataTag())
        run += u':' + QString::fromLatin1(tag);
    TestChild child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    exitCode = child.Run(QStringLiteral("setpriv"),
                         Args("--reuid 65534 --regid 65534 --clear-groups") +
                             QStringList{QCoreApplication::applicationFilePath(), run});
    output = child.readAll();
    return true;
}
