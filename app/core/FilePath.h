#pragma once
// File names as the system gives them: bytes, not necessarily UTF-8. A name
// travels in a QString (for the toolkit's argument parser and messages) with
// every byte that is not UTF-8 kept as U+DC80..U+DCFF, and goes back to the
// same bytes when the file is opened, so any name the shell can pass works.
#include <string>

#include <QByteArray>
#include <QFile>
#include <QString>

namespace tservice {

// Bytes of a name to its QString form and back, losslessly.
QString PathFromBytes(const std::string& bytes);
std::string PathBytes(const QString& path);
// The name for messages: UTF-8, a byte that is not shown as "?".
std::string PathShown(const QString& path);

// Opens file (not yet open) on path in mode. False when the system refuses;
// the file then stays closed.
bool OpenPath(QFile& file, const QString& path, QIODevice::OpenMode mode);
// Replaces the file at path with content once it is complete (a temporary
// beside it, then renamed). False when it cannot be written.
bool WritePath(const QString& path, const QByteArray& content);
// Creates the directory path and its parents; true when it exists after.
bool MakeDirectory(const QString& path);

}  // namespace tservice
