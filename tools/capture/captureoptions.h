#pragma once

#include "link/pksdlink.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

class QDateTime;
class QSettings;

enum CaptureExit : int
{
    CaptureOk = 0,         // ended by --duration, SIGINT or SIGTERM
    CaptureFileFailed = 1, // the capture file or the archive could not be created or written
    CaptureUsage = 2,
    CaptureNothingReceived = 3 // ended as for 0, but not one frame came from PKSD
};

struct CaptureOptions
{
    QString Host;                 // empty: from the settings store
    int Port = -1;                // -1: from the settings store
    QString Output;               // empty: DefaultCaptureName, or no file with Sds
    QString Sds;                  // the root of a live miniSEED archive, empty: none
    QByteArray Network = "XX";    // of the archive's default SEED names
    QString NamesFile;            // the archive's SEED names, empty: the defaults
    std::int64_t RotateBytes = 0; // 0: one file
    double DurationSeconds = 0.0; // 0: until stopped
    int ReconnectMs = kReconnectIntervalMs;
};

struct CaptureCommandLine
{
    bool Valid = false;
    bool Help = false;
    QString Error;
    CaptureOptions Options;
};

// arguments without the program name.
CaptureCommandLine ParseCaptureCommandLine(const QStringList& arguments);
QByteArray CaptureUsageText();

// Fills a host and port not given on the command line as the monitor reads them.
void ApplyStoredConnection(CaptureOptions& options, const QSettings& store);

// "capture-YYYYMMDD-HHMMSS.pksd" from the time in UTC.
QString DefaultCaptureName(const QDateTime& utc);
