#pragma once

#include "tools/inspect/packetreport.h"

#include <QString>
#include <QStringList>

class QIODevice;

enum ExitStatus : int
{
    ExitOk = 0,
    ExitCannotOpen = 1,
    ExitUsage = 2,
    ExitDamaged = 3 // an input was cut short, unreadable or lost its frame boundaries
};

struct CommandLine
{
    bool Valid = false;
    bool Help = false;
    QString Error; // why the command line is not valid
    InspectOptions Options;
    QStringList Files; // "-" is standard input
    QString Mseed;     // export the data packets to this miniSEED file
    QString Sds;       // or to the day files of an archive under this folder
    QByteArray Network = "XX";
    QString NamesFile;
    bool Gaps = false; // each channel's span, gaps and overlaps instead of the packets
};

// arguments without the program name.
CommandLine ParseCommandLine(const QStringList& arguments);
QByteArray UsageText();

// Reads every input of line in turn into visitor; report names the file being read. Returns
// ExitCannotOpen when an input could not be opened, else ExitOk.
int ReadInputs(const CommandLine& line, PacketVisitor& visitor, PacketReport& report, QIODevice& in,
               QIODevice& err);

// --gaps: the problems as they are met, then each channel's gaps. Returns the exit status.
int RunGaps(const CommandLine& line, QIODevice& in, QIODevice& out, QIODevice& err);

// The whole tool: reads every input in turn and writes the packets' lines to out, usage and
// open failures to err. Returns the exit status.
int RunInspect(const QStringList& arguments, QIODevice& in, QIODevice& out, QIODevice& err);
