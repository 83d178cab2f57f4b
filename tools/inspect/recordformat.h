#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>

class QString;
struct DtPacket;
struct EventHeaderInfo;

// printf into a byte array; for integers and texts only, as "%g" would follow the locale.
QByteArray PrintfBytes(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Printable ASCII as it is, a backslash or a double quote escaped with a backslash, and
// everything else as \xNN, so the text can stand between double quotes.
QByteArray PrintableBytes(const std::uint8_t* bytes, std::size_t length);

// Each result is one or more complete lines; withSamples lists the first SampleCount samples.
QByteArray DtText(const DtPacket& packet, bool withSamples);
QByteArray DtJson(const DtPacket& packet, bool withSamples);

// type is "EH" or "ET".
QByteArray EventText(const QByteArray& type, const EventHeaderInfo& info);
QByteArray EventJson(const QByteArray& type, const EventHeaderInfo& info);

// A problem found in the input, located by file and byte offset.
QByteArray ReportText(const QString& file, std::uint64_t offset, const QByteArray& message);
QByteArray ReportJson(const QString& file, std::uint64_t offset, const QByteArray& message);
