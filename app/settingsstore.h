#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <utility>

class QSettings;
struct ProgramState;

// The 27 stored values in the order they are written, keyed by their full paths.
QList<std::pair<QString, QVariant>> SettingsSnapshot(const ProgramState& state);

// Reads every stored value over the records. Missing keys, text that is not a number of the
// key's type and values outside what the program can use keep the default.
void ReadStoredSettings(const QSettings& s, ProgramState& state);

// Writes the 27 values, then replaces the per-channel subtree with the catalogue's entries.
void WriteStoredSettings(QSettings& s, const ProgramState& state);
