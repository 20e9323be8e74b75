#pragma once
// ts_launcher's logic: start the shell from its fixed path, maximised, in its own
// folder, without waiting; the splash window then stays on top for ten seconds.
#include "platform/dialogs.h"
#include "platform/launcher.h"

#include <QString>

namespace splash {

class Splash {
public:
    // `shellPath` is the shell's absolute path, fixed when the program is built.
    Splash(const QString &shellPath, platform::Launcher &launcher, platform::Dialogs &dialogs);

    static QString caption();          // "Tessaly Loading ..."
    static QString programTitle();     // "ts_launcher": the title of its message box
    static constexpr int kEndAfterMilliseconds = 10000;    // `Timer1`
    static constexpr int kKeepOnTopMilliseconds = 1000;    // `Timer2`

    QString shellPath() const { return m_shellPath; }

    // Starts the shell with no arguments, its folder as working directory. When it
    // cannot be started, a message names the path and false is returned: the splash
    // then ends without showing.
    bool startShell();

private:
    QString m_shellPath;
    platform::Launcher &m_launcher;
    platform::Dialogs &m_dialogs;
};

}  // namespace splash
