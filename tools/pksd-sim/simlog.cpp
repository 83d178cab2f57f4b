#include "simlog.h"

#include <cstdio>

void LogLine(const QString& line)
{
    const QByteArray text = line.toUtf8();
    std::fprintf(stderr, "%s\n", text.constData());
    std::fflush(stderr);
}
