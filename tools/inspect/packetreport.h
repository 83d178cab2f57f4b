#pragma once

#include "tools/inspect/streamreader.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

class QIODevice;
struct DtPacket;

struct InspectOptions
{
    InputMode Mode = InputMode::Packets;
    bool Samples = false;
    bool Json = false;
    bool List = true; // a line per packet; off, only problems are reported
};

// Decodes each payload it is given and writes one line (or JSON object) for it to out. Damage
// (what makes Damaged() true) also goes to damage as text, so that a script reading only the
// listing or the JSON still hears of it.
class PacketReport final : public PacketVisitor
{
public:
    PacketReport(const InspectOptions& options, QIODevice& out, QIODevice* damage = nullptr);
    ~PacketReport() override;
    PacketReport(const PacketReport&) = delete;
    PacketReport& operator=(const PacketReport&) = delete;

    // Name used in the reports of problems; a new input.
    void SetFileName(const QString& name)
    {
        file = name;
        framesAsPackets = false;
    }
    const QString& FileName() const { return file; }
    // A problem at offset of the named file.
    void ReportAt(const QString& name, std::uint64_t offset, const QByteArray& message);

    void OnPayload(std::uint64_t offset, std::uint16_t frameType,
                   std::span<const std::uint8_t> payload) override;
    void OnIssue(const ReadIssue& issue) override;

    // An input was cut short, unreadable or out of step with its frames.
    bool Damaged() const { return damaged; }

private:
    void ShowDt(std::uint64_t offset, std::span<const std::uint8_t> payload);
    void ShowEvent(std::uint64_t offset, std::span<const std::uint8_t> payload);
    void Report(std::uint64_t offset, const QByteArray& message);
    void ReportDamage(std::uint64_t offset, const QByteArray& message);
    void Write(const QByteArray& text);

    InspectOptions options;
    QIODevice& out;
    QIODevice* damage = nullptr;
    QString file;
    bool damaged = false;
    // The input read as packets begins with a frame: every later piece would be reported as an
    // unknown type, so they are not.
    bool framesAsPackets = false;
    std::unique_ptr<DtPacket> dt;
    std::array<std::uint8_t, 1024> padded{};
};

// Why a DT packet did not decode, or why an EH/ET packet did not parse.
QByteArray DtRefusalReason(std::span<const std::uint8_t> packet);
QByteArray EventRefusalReason(std::span<const std::uint8_t> packet);
