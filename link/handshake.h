#pragma once

#include "link/frame.h"
#include "link/version.h"

#include <array>
#include <cstdint>

inline constexpr char kClientName[] = "TREMVUE-" TREMVUE_VERSION;

// The three frames the client sends once the connection stands, header and payload together.
struct HandshakeMessages
{
    std::array<std::uint8_t, kFrameHeaderBytes> Opening{};             // type 1, no payload
    std::array<std::uint8_t, kFrameHeaderBytes + 36> Identification{}; // type 11: pid, name
    std::array<std::uint8_t, kFrameHeaderBytes + 28> Request{};        // type 3: seven words
};

HandshakeMessages BuildHandshake(std::uint32_t processId);
