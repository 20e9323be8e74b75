#pragma once
// TSPowerUser's logic: backup sets of the shell's look and playlist (the four files
// "style.swf", "background.swf", "data.txt", "playlist.txt") in folders under the
// installation's "backup" folder, named by a comment the user types, and restores
// from them. No widgets: the window maps its controls to these calls.
#include "poweruser/core/poweruserview.h"

#include "platform/dialogs.h"
#include "platform/launcher.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

namespace poweruser {

class PowerUser {
public:
    struct Services {
        platform::Launcher &launcher;
        platform::Dialogs &dialogs;
        std::function<QDateTime()> now;  // the clock of the status text
    };

    // `installationFolder` is the folder of the program (without trailing "/").
    PowerUser(const QString &installationFolder, Services services, PowerUserView &view);

    static QString programTitle();    // "TS PowerUser": message and input boxes
    static QString windowCaption();   // "Tessaly - PowerUser"
    static QStringList setFiles();    // the four files of a set, in copying order
    static QStringList backupHintLines();  // the first text of `backuptext`
    static QStringList helpLines();   // the help text `Text1`

    // The window's height after "backup / restore": 1000 twips (panels folded
    // away) when it is 8415 twips tall, else 8415.
    static constexpr int kUnfoldedHeight = 8415;
    static constexpr int kFoldedHeight = 1000;
    static int toggledHeight(int heightTwips);

    QString installationFolder() const { return m_installationFolder; }
    QString backupFolder() const;  // installation folder + "/backup"
    // `Astate`: empty at start, "backup" while a backup is made, "normal" after.
    QString state() const { return m_state; }

    // Start: the folder list shows the backup folder.
    void start();

    // "save current settings": asks for the comment and copies the four files into
    // the set folder backup/COMMENT (an existing set of that name is overwritten).
    // A comment that could put the files outside the backup folder or into its root
    // (empty after trimming, ".", "..", or holding "/") is refused with a message.
    void saveCurrentSettings();

    // The folder list's current folder changed to `folder`: unless it is the backup
    // folder itself or a backup is being made, the four files of that set are
    // restored; the list is then pointed back at the backup folder. A set lacking
    // one of the four files, and the installation folder itself, restore nothing.
    void folderChanged(const QString &folder);

    // "open powerpoint folder": the presentation folder, opened by association.
    void openPowerpointFolder();

    // "Start Tessaly": the shell TS, maximised, found by its bare name (working
    // directory, then the search path). Tells the user when it cannot be started.
    void startTessaly();

    // Why `comment` cannot name a backup set, or empty when it can.
    static QString commentProblem(const QString &comment);

private:
    void backUpInto(const QString &comment);
    void restoreFrom(const QString &setFolder);
    QString inInstallation(const QString &name) const;
    bool copyAll(const QString &fromFolder, const QString &toFolder, const QString &failureText);
    void message(const QString &text);

    QString m_installationFolder;
    Services m_services;
    PowerUserView &m_view;
    QString m_state;
};

}  // namespace poweruser
