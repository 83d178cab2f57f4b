#pragma once

#include <QString>

// One line on stderr; scripts count the lines that start with "fault ".
void LogLine(const QString& line);
