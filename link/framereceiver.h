#pragma once

class QIODevice;
class QSettings;
struct ChannelCatalogue;
struct PacketStore;
struct StatusLine;

enum class ReceiveStop
{
    NeedMoreBytes, // fewer than a maximum-size frame buffered
    BadFrame,      // length outside 0..1024 or a short read: the caller closes the link
    CatalogueFull, // an event header could not be registered; resume at the next signal
};

struct ReceiveResult
{
    int Frames = 0;
    int DtFrames = 0;
    ReceiveStop Stop = ReceiveStop::NeedMoreBytes;
};

// Cuts frames out of source and hands their recorder packets to ingest. lastStatus gets the
// line of the last DT packet that showed one; its Shown stays false when none did.
ReceiveResult ReceiveFrames(QIODevice& source, PacketStore& store, ChannelCatalogue& cat,
                            const QSettings* stored, StatusLine& lastStatus);
