#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

// Collects the client's first three messages and compares them with the ones a monitor client
// is expected to send: an opening message, its identification, and its request.
class HandshakeCheck
{
public:
    // Takes bytes from the client; true once all three messages (or a frame that cannot be
    // delimited) have been seen.
    bool Feed(const QByteArray& bytes);

    // One line per message: "handshake N ok ..." or "handshake N mismatch ...".
    QStringList Report() const { return report_; }
    bool AllMatched() const { return matched_ == 3; }

private:
    void Check(std::uint16_t type, const QByteArray& payload);

    QByteArray pending_;
    QStringList report_;
    int messages_ = 0;
    int matched_ = 0;
    bool done_ = false;
};
