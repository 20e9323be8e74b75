#include "shell/core/installation.h"

#include "platform/programfolder.h"

#include <QDir>

Installation::Installation(Edition edition, const QString &installationFolder,
                           const QString &workingFolder, const QString &wallpaperFolder)
    : m_edition(edition),
      m_installationFolder(installationFolder),
      m_workingFolder(workingFolder),
      m_wallpaperFolder(wallpaperFolder)
{
}

Installation Installation::current(Edition edition)
{
    return Installation(edition, platform::programFolder(), QDir::currentPath());
}

QString Installation::inInstallation(const QString &name) const
{
    return platform::joinPath(m_installationFolder, name);
}

QString Installation::inWorkingFolder(const QString &name) const
{
    return platform::joinPath(m_workingFolder, name);
}

QString Installation::stylePath() const { return inInstallation(QStringLiteral("style.swf")); }

QString Installation::backgroundPath() const
{
    return inInstallation(QStringLiteral("background.swf"));
}

QString Installation::stylesFolder() const { return inInstallation(QStringLiteral("styles")); }

QString Installation::backgroundsFolder() const
{
    return inInstallation(QStringLiteral("backgrounds"));
}

QString Installation::playlistPath() const { return inInstallation(QStringLiteral("playlist.txt")); }

QString Installation::presentationsFolder() const
{
    return inInstallation(QStringLiteral("powerpoint.files"));
}

QString Installation::dataReadPath() const
{
    return isPlayer() ? inWorkingFolder(QStringLiteral("data.txt"))
                      : inInstallation(QStringLiteral("data.txt"));
}

QString Installation::dataWritePath() const { return inWorkingFolder(QStringLiteral("data.txt")); }

QString Installation::viewerCommandPath() const
{
    return isPlayer() ? inWorkingFolder(QStringLiteral("powerpoint_location.txt"))
                      : inInstallation(QStringLiteral("powerpoint_location.txt"));
}

QString Installation::presentationPath(const QString &entry) const
{
    // One folder name everywhere: "powerpoint.files" (the file system is
    // case-sensitive, so a second spelling would be a second folder).
    if (isPlayer())
        return m_installationFolder + QLatin1Char('/') + entry;
    return presentationsFolder() + QLatin1Char('/') + entry;
}
