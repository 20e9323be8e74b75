#pragma once
// playlist.txt: exactly 19 lines, one per playlist slot, slot 0 first. A line holds
// a file name, "-choose one-", an empty text or whatever the user typed.
#include "platform/settingsfile.h"

#include <QString>
#include <QStringList>

namespace PlaylistFile {

constexpr int slotCount = 19;  // slots 0 to 18

// The 19 slot texts of the file. A missing file, or one with fewer lines, gives
// empty slots for the lines it lacks; lines after the 19th are ignored and never
// read. A file whose first 19 lines are larger than a settings file may be gives
// 19 empty slots. `result` (when given) tells how the reading went.
QStringList read(const QString &path, platform::SettingsRead *result = nullptr);

// Writes exactly 19 lines (missing slots as empty lines), each ended by CR LF.
bool write(const QString &path, const QStringList &entries);

}  // namespace PlaylistFile
