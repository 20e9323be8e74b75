#include "shell/core/playlistfile.h"

#include "platform/settingsfile.h"

namespace PlaylistFile {

QStringList read(const QString &path)
{
    QStringList lines;
    platform::readSettingsLines(path, &lines);  // a missing file reads as no lines
    QStringList entries;
    for (int slot = 0; slot < slotCount; ++slot)
        entries << (slot < lines.size() ? lines.at(slot) : QString());
    return entries;
}

bool write(const QString &path, const QStringList &entries)
{
    QStringList lines;
    for (int slot = 0; slot < slotCount; ++slot)
        lines << (slot < entries.size() ? entries.at(slot) : QString());
    return platform::writeSettingsLines(path, lines);
}

}  // namespace PlaylistFile
