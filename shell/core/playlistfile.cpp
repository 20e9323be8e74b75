#include "shell/core/playlistfile.h"

namespace PlaylistFile {

QStringList read(const QString &path, platform::SettingsRead *result)
{
    QStringList lines;
    // A missing or unreadable file reads as no lines.
    const platform::SettingsRead read = platform::readSettingsFile(path, &lines, slotCount);
    if (result)
        *result = read;
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
