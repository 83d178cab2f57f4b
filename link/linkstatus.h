#pragma once

#include <QString>

#include <cstdint>

// What the link is doing, as the permanent field of the status bar shows it. Times are
// milliseconds of one monotonic clock.
enum class LinkPhase
{
    Idle,        // never asked to connect
    Connecting,  // host lookup and connect
    Handshaking, // connected, the client's messages being written
    Connected,   // handshake written; frames may come
    Failed,      // the last attempt or connection ended; Failure says why
    Closed,      // closed by the operator
};

struct LinkStatus
{
    LinkPhase Phase = LinkPhase::Idle;
    QString Server;               // host:port of the attempt
    QString Failure;              // why the connection ended, in Failed
    std::int64_t RetryAtMs = -1;  // when the next attempt is due, while one is scheduled
    std::int64_t LastFrameMs = 0; // the last frame, or the handshake before the first one
    std::int64_t Frames = 0;      // frames of this connection
    double FramesPerSecond = 0.0;
};

// "Not connected", "Connecting to pksd1:2543", "Handshaking", "Connected to pksd1:2543 · 38
// packets/s", "Connection refused · retry in 7 s", "Closed"; and, while connected and silent
// for warnAfterSeconds or more (0: never), "No data for 3 min".
QString LinkStatusText(const LinkStatus& s, std::int64_t nowMs, int warnAfterSeconds);

// True while the connection has been silent for warnAfterSeconds or more (0: never).
bool LinkIsSilent(const LinkStatus& s, std::int64_t nowMs, int warnAfterSeconds);

// How long a link has been silent: "30 s" under a minute, then whole minutes ("10 min").
QString SilenceSpanText(std::int64_t silentMs);

// "host:port", with an IPv6 address in brackets.
QString ServerText(const QString& host, std::uint16_t port);

// The host as the socket takes it: an IPv6 address written in brackets ("[::1]") without them.
QString SocketHost(const QString& typed);
