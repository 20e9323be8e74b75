#pragma once
// The design chooser's logic (its window is frmMain): the lists of files the show
// can take as its style movie and as its background, and the double click that
// copies the chosen file over style.swf or background.swf and has the shell
// restart with it. A folder that cannot be listed is reported and the machine's
// volumes are offered instead, to browse from.
#include "shell/core/installation.h"

#include "platform/folders.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace platform {
class Dialogs;
}

// One entry of a chooser list.
struct DesignEntry {
    static constexpr int driveImage = 1;
    static constexpr int fileImage = 3;

    QString key;   // a file's full path; a volume's mount point
    QString text;  // the file name; the mount point
    int image = fileImage;

    bool isFile() const { return image == fileImage; }
};

enum class DesignList { Styles, Backgrounds };

class DesignChooser : public QObject {
    Q_OBJECT
public:
    using VolumeList = std::function<QStringList()>;

    // The lists are empty until reloadfilelist(). `volumes` gives the places
    // offered when a folder cannot be listed (the machine's mounted volumes).
    DesignChooser(const Installation &installation, platform::Dialogs &dialogs,
                  VolumeList volumes = platform::mountedVolumes, QObject *parent = nullptr);

    static QString listErrorTitle() { return QStringLiteral("Error"); }
    // Error number and text of a full path that is already in the list.
    static constexpr int duplicateKeyError = 35602;
    static QString duplicateKeyText() { return QStringLiteral("Key is not unique in collection"); }

    // What the lists accept, judged by the last four characters of the name,
    // lower-cased: styles ".swf" and ".qml"; backgrounds ".jpg", ".swf", "jpeg",
    // ".png" and ".qml". The movie control knows a movie by its content; the
    // chooser offers what is named like one.
    static bool isStyleName(const QString &name);
    static bool isBackgroundName(const QString &name);

    // Clears both lists and fills them again: styles from the styles folder,
    // backgrounds from the backgrounds folder and then the wallpaper folder.
    void reloadfilelist();

    const QList<DesignEntry> &entries(DesignList list) const;

    // A double click on the list's entry `index`. A volume entry fills the list
    // from that volume. A file is copied over style.swf (styles) or
    // background.swf (backgrounds), said in a message box, and the shell is asked
    // to restart; a copy that fails leaves the old file whole, is told in a
    // message box naming the file, and no restart follows.
    void entryDoubleClicked(DesignList list, int index);

signals:
    void listChanged(DesignList list);
    void restartRequested();

private:
    QList<DesignEntry> &listOf(DesignList list);
    // Adds the accepted files of `folder` to the list. When the folder cannot be
    // listed: the error's message and the volumes added after what was listed.
    void fill(DesignList list, const QString &folder);
    void reportListingError(DesignList list, int errorNumber, const QString &errorText);
    void chooseFile(DesignList list, const QString &path);

    Installation m_installation;
    platform::Dialogs &m_dialogs;
    VolumeList m_volumes;
    QList<DesignEntry> m_styles;
    QList<DesignEntry> m_backgrounds;
};
