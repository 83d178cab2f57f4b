#pragma once

#include "packetsource.h"
#include "simoptions.h"
#include "simrandom.h"

#include <QByteArray>
#include <QStringList>

// Turns the packets of one connection into the bytes to send, with the faults that the options
// ask for. Each fault is reported as a text for the log.
class FaultInjector
{
public:
    FaultInjector(const FaultOptions& options, std::uint64_t seed);

    struct Outcome
    {
        QByteArray Bytes;
        QStringList Faults;
        bool CloseAfter = false;
    };

    Outcome Frame(const OutgoingPacket& packet);

private:
    enum class Kind
    {
        None,
        BadLength,
        ShortDt,
        UnknownType,
        Trailer,
        Type0,
        Garbage,
        Close
    };

    // How the packet's own frame goes out, and what follows it.
    struct Framing
    {
        std::uint16_t FrameType = 0;
        std::int32_t DeclaredLength = 0;
        QByteArray After;
    };

    Kind Choose(bool isDt);
    void Inject(Kind kind, const OutgoingPacket& packet, Framing& framing, Outcome& out);
    static bool Every(int n, std::int64_t count) { return n > 0 && count % n == 0; }

    FaultOptions options_;
    SimRandom random_;
    std::int64_t frames_ = 0;
    std::int64_t dataPackets_ = 0;
    int badLengths_ = 0;
    QByteArray lastHeader_;
};

QByteArray EncodeFrame(std::uint16_t type, std::int32_t length, const QByteArray& payload);
