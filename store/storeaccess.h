#pragma once

#include <QString>

#include <functional>

class QSettings;

// Whether the settings file can be read and written, in words the operator can act on.

// Why the store cannot be read (the file or its folder may not be read, or the text is not in
// the store's format), or empty when it can or does not exist yet.
QString StoreReadProblem(const QSettings& s);

// Writes the store's file at path anew: a copy of it in the same folder gets fill's values,
// then takes the file's place. A failed write thus leaves the file, and the values the program
// reads from it, as they were; a store object of path written directly would keep the unsaved
// values pending and write them whenever it next syncs. fresh starts the copy empty, for a file
// that could not be read. Empty when written, else the reason.
QString WriteStoreFile(const QString& path, bool fresh,
                       const std::function<void(QSettings&)>& fill);

// Copies the file at path beside it as "<path>.unreadable-<n>" with the first n not taken, so an
// earlier copy is never overwritten. True when copied (copyPath names the copy) or when there is
// no file to keep (copyPath empty); otherwise reason says why.
bool KeepCopyBeside(const QString& path, QString& copyPath, QString& reason);
