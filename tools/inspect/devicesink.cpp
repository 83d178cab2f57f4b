#include "tools/inspect/devicesink.h"

#include <QIODevice>

QString DeviceSink::Append(const SeedName&, std::int64_t, const std::vector<QByteArray>& records)
{
    for (const QByteArray& record : records) {
        if (out_.write(record) != record.size())
            return QStringLiteral("cannot write %1: %2").arg(name_, out_.errorString());
    }
    return {};
}
