#pragma once
// Settings text files (playlist.txt, data.txt, powerpoint_location.txt, scripts).
// Reading: a line ends at CR and a following LF is skipped; a lone LF also ends a
// line, so files edited on Linux read the same. Each line is decoded on its own
// (UTF-8 when it is valid UTF-8, else Windows-1252). Writing: every line ends in
// CR LF.
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace platform {

// The most a settings file may hold. The suite's own files are a few kilobytes; a
// bigger file is not one of them, and reading it whole would take the program's
// memory with it. Only the bytes of the lines asked for count: a playlist whose
// first 19 lines lie within the limit reads whatever follows them.
inline constexpr qint64 settingsFileLimit = 1024 * 1024;

enum class SettingsRead {
    Read,       // the lines asked for were read
    NotOpened,  // the file is missing or cannot be read
    TooLarge,   // the lines asked for need more than settingsFileLimit bytes
};

// Reads the first `maxLines` lines of the file (every line when maxLines < 0),
// reading no further than it needs. A final line without terminator is kept; a
// file ending in a terminator has no empty last line. Unless the result is Read,
// `lines` is left empty.
SettingsRead readSettingsFile(const QString &path, QStringList *lines, qsizetype maxLines = -1);

// Every line of the file; false (and no lines) unless the file could be read whole.
bool readSettingsLines(const QString &path, QStringList *lines);

// The message telling that a file is larger than a settings file may be.
QString settingsFileTooLargeText(const QString &path);

// Writes each line followed by CR LF, UTF-8, replacing the file. Returns false when
// the file cannot be written; the previous content is then left as it was.
bool writeSettingsLines(const QString &path, const QStringList &lines);

}  // namespace platform
