#pragma once

#include "tools/inspect/inspectrun.h"

class QIODevice;

// tremvue-inspect --mseed: reads the inputs as the listing does, writes their data packets to
// line.Mseed and prints the problems and a summary to out. Returns the exit status.
int RunExport(const CommandLine& line, QIODevice& in, QIODevice& out, QIODevice& err);
