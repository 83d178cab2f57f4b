#pragma once

#include "store/rgb.h"

#include <QString>

#include <climits>
#include <memory>
#include <optional>

class QSettings;

// The program's settings store: organisation "Orvane", application "ovqt_display", INI form, in
// the user's configuration folder; or the INI file named, for tests and tools.
std::unique_ptr<QSettings> OpenSettingsStore(const QString& file = {});

// "/ovqt_dislay/" + name.
QString StoredKey(const char* name);

// Readers of stored values. The store is a text file anyone can edit, so each gives nothing when
// the key is missing or its text is not a value of the wanted kind and range.

// A text with commas comes back from the INI form as a list when unquoted: joined again.
std::optional<QString> StoredText(const QSettings& s, const QString& key);
// Read through 64 bits: a number beyond 32 bits is refused, never wrapped.
std::optional<int> StoredInt(const QSettings& s, const QString& key, int low = INT_MIN,
                             int high = INT_MAX);
// Flags are 0 or 1; any other number is no flag.
std::optional<int> StoredFlag(const QSettings& s, const QString& key);
// Finite values only.
std::optional<double> StoredDouble(const QSettings& s, const QString& key);
std::optional<Rgb> StoredColor(const QSettings& s, const QString& key);
