#pragma once

#include "tools/inspect/recordsink.h"

#include <utility>

class QIODevice;

// Every record, one after the other, to one device.
class DeviceSink final : public RecordSink
{
public:
    // name is the device's in the errors.
    DeviceSink(QIODevice& out, QString name) : out_(out), name_(std::move(name)) {}

    bool Holds(const SeedName&, std::int64_t) override { return false; }
    QString Append(const SeedName& name, std::int64_t start,
                   const std::vector<QByteArray>& records) override;

private:
    QIODevice& out_;
    QString name_;
};
