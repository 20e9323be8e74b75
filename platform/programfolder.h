#pragma once
// The installation folder: the folder of the running program's executable.
#include <QString>

namespace platform {

// Folder of the executable (from /proc/self/exe), without trailing separator.
QString programFolder();

// File name of the executable without its extension ("launch", "TS", ...).
QString programName();

// Joins a folder and a name with one "/" (folder texts carry no trailing separator).
QString joinPath(const QString &folder, const QString &name);

// True when the path names an existing regular file (never a folder).
bool fileExists(const QString &path);

}  // namespace platform
