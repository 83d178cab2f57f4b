#pragma once

#include <QByteArray>

#include <cstdint>
#include <span>

// The bytes of a QByteArray as the packet and frame readers take them.
inline std::span<const std::uint8_t> ByteSpan(const QByteArray& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}
