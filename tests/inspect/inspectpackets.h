#pragma once

#include "tools/packetwriter/packetwriter.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

// Header fields every test packet carries, so the printed lines are known.
PacketHeader TestHeader();
DtFields TestDtFields(DtFormat format);

// A DT packet of the given format; Steim packets are encoded by libmseed, independently of
// our own writer. Holds as many leading samples as fit; their count is in taken.
PacketBytes MakeDtPacket(DtFormat format, const std::vector<std::int32_t>& samples, int& taken);

EventHeaderFields TestEventFields();
PacketBytes MakeEventPacket(const EventHeaderFields& fields);

QByteArray Bytes(const PacketBytes& packet);
QByteArray Frame(const QByteArray& payload, std::uint16_t type = 0);
