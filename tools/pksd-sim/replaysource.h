#pragma once

#include "packetsource.h"

#include <QString>

// Frames of a capture (6-byte header and payload, as on the wire), each due as far after the
// start as its packet's time lies after the first packet's. Reading stops at the first frame
// whose length cannot delimit it (a faulted capture); with loop it then starts again, the
// schedule going on from the last due time.
class ReplaySource : public PacketSource
{
public:
    ReplaySource(const QByteArray& capture, std::int64_t startMs, bool loop = false);

    // Loads the whole file; false with a reason when it cannot be read.
    static bool Load(const QString& path, QByteArray& capture, QString& error);

    bool Next(OutgoingPacket& packet) override;

private:
    bool NextInCapture(OutgoingPacket& packet);

    QByteArray capture_;
    qsizetype offset_ = 0;
    std::int64_t startMs_;
    std::int64_t firstPacketMs_ = 0;
    std::int64_t lastDueMs_;
    bool haveFirst_ = false;
    bool loop_;
};
