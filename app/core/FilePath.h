#pragma once
// File names as the system gives them: bytes, not necessarily UTF-8. A name
// travels in a QString (for the toolkit's argument parser and messages) with
// every byte that is not UTF-8 kept as U+DC80..U+DCFF, and goes back to the
// same bytes when the file is opened, so any name the shell can pass works.
// A name the toolkit gives (a file dialog, QFile::decodeName) has no such
// characters and goes back to its UTF-8 bytes, as the toolkit would open it.
// On Windows names are UTF-16 and go to the toolkit's own calls.
#include <string>
#include <vector>

#include <QByteArray>
#include <QFile>
#include <QString>

namespace tservice {

// Bytes of a name to its QString form and back, losslessly.
QString PathFromBytes(const std::string& bytes);
std::string PathBytes(const QString& path);
// The name for messages: UTF-8, a byte that is not shown as "?".
std::string PathShown(const QString& path);
// The value of the environment variable name as a file name (its bytes);
// empty when it is unset or empty.
QString PathFromEnvironment(const char* name);

// Opens file (not yet open) on path in mode. False when the system refuses,
// with its reason in why when given; the file then stays closed.
bool OpenPath(QFile& file, const QString& path, QIODevice::OpenMode mode, QString* why = nullptr);
// Replaces the file at path with content once it is complete (a temporary
// beside it, then renamed). False when it cannot be written.
bool WritePath(const QString& path, const QByteArray& content);
// Whether anything (a file, a folder) is at path.
bool PathExists(const QString& path);
// Creates the directory path and its parents; true when it exists after.
bool MakeDirectory(const QString& path);
// Creates the folder the file path goes in (and its parents); true when it
// exists after or path names no folder.
bool MakeDirectoryFor(const QString& path);
// The regular files in folder dir whose names end in suffix, as full paths,
// sorted. dir and the paths are strings as the command line holds them: the
// system's bytes, UTF-8 on Windows. Empty when the folder cannot be read.
std::vector<std::string> FilesIn(const std::string& dir, const std::string& suffix);

}  // namespace tservice
