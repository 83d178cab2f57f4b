#pragma once

#include <QString>

class QSettings;
class QWidget;
struct ProgramState;

// Loading and saving the settings store for the operator: what cannot be read or written is
// told in a critical box naming the file and the system's reason.

// Reads the store over the state. When it cannot be read, says so and leaves the state on its
// defaults; returns false then.
bool LoadStoreOrSay(QWidget* parent, const QSettings& store, ProgramState& state);

// Writes the state to the store's file, which store then reads again. When keepUnreadable is
// set, the file is first copied beside itself (nothing is written when that fails) and written
// anew, and keepUnreadable is cleared once saved. Returns the status bar's text on success,
// empty after a failure box.
QString SaveStoreOrSay(QWidget* parent, QSettings& store, const ProgramState& state,
                       bool& keepUnreadable);
