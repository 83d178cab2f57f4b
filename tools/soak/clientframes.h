#pragma once

#include <QByteArray>

#include <vector>

// The 1024-byte DT payloads of bytes as the monitor cuts frames out of them: a frame only once
// a maximum-size frame's worth is left, and nothing after a length outside 0-1024.
std::vector<QByteArray> ClientDtPayloads(const QByteArray& bytes);
