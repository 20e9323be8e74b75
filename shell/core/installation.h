#pragma once
// Where the shell finds its files. Some names are resolved against the
// installation folder (the folder of the program file), some against the working
// directory; the shell expects to be started with the installation folder as its
// working directory, so that both name the same files.
#include "shell/core/edition.h"

#include <QString>

class Installation {
public:
    // The desktop's wallpaper folder, whose pictures the design chooser offers
    // beside the installation's own backgrounds.
    static QString systemWallpaperFolder() { return QStringLiteral("/usr/share/backgrounds"); }

    Installation(Edition edition, const QString &installationFolder, const QString &workingFolder,
                 const QString &wallpaperFolder = systemWallpaperFolder());

    // The running program's installation: its executable's folder and the
    // current working directory.
    static Installation current(Edition edition);

    Edition edition() const { return m_edition; }
    bool isPlayer() const { return m_edition == Edition::Player; }
    QString installationFolder() const { return m_installationFolder; }
    QString workingFolder() const { return m_workingFolder; }

    QString inInstallation(const QString &name) const;
    QString inWorkingFolder(const QString &name) const;

    QString stylePath() const;              // installation folder + "/style.swf"
    QString backgroundPath() const;         // installation folder + "/background.swf"
    QString stylesFolder() const;           // installation folder + "/styles"
    QString backgroundsFolder() const;      // installation folder + "/backgrounds"
    QString wallpaperFolder() const { return m_wallpaperFolder; }
    QString playlistPath() const;           // installation folder + "/playlist.txt"
    QString presentationsFolder() const;    // installation folder + "/powerpoint.files"
    QString dataReadPath() const;           // TS: installation folder; TSplayer: working directory
    QString dataWritePath() const;          // working directory
    QString viewerCommandPath() const;      // TS: installation folder; TSplayer: working directory
    // Path of a playlist entry: TS plays from powerpoint.files, TSplayer from the
    // installation folder itself. An empty entry gives a path ending in "/".
    QString presentationPath(const QString &entry) const;

private:
    Edition m_edition;
    QString m_installationFolder;
    QString m_workingFolder;
    QString m_wallpaperFolder;
};
