#pragma once
// Settings text files (playlist.txt, data.txt, powerpoint_location.txt, scripts).
// Reading: a line ends at CR and a following LF is skipped; a lone LF also ends a
// line, so files edited on Linux read the same. Writing: every line ends in CR LF.
#include <QString>
#include <QStringList>

namespace platform {

// Reads every line of the file, decoded by the suite's codec. A final line without
// terminator is kept; a file ending in a terminator has no empty last line.
// Returns false (and no lines) when the file cannot be opened.
bool readSettingsLines(const QString &path, QStringList *lines);

// Writes each line followed by CR LF, UTF-8, replacing the file. Returns false when
// the file cannot be written; the previous content is then left as it was.
bool writeSettingsLines(const QString &path, const QStringList &lines);

}  // namespace platform
