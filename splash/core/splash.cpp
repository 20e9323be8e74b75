#include "splash/core/splash.h"

#include <QFileInfo>

namespace splash {

Splash::Splash(const QString &shellPath, platform::Launcher &launcher, platform::Dialogs &dialogs)
    : m_shellPath(shellPath), m_launcher(launcher), m_dialogs(dialogs)
{
}

QString Splash::caption() { return QStringLiteral("Tessaly Loading ..."); }

QString Splash::programTitle() { return QStringLiteral("ts_launcher"); }

bool Splash::startShell()
{
    // The command line is split by the Windows rules: the path in quotes keeps
    // blanks in it one word (no quote can stand in a path these rules accept).
    const bool quotable = !m_shellPath.contains(u'"');
    const QString commandLine = QLatin1Char('"') + m_shellPath + QLatin1Char('"');
    if (quotable && QFileInfo(m_shellPath).isAbsolute()
        && m_launcher.startProcess(commandLine, QFileInfo(m_shellPath).absolutePath(),
                                   platform::WindowState::Maximised))
        return true;
    m_dialogs.messageBox(programTitle(),
                         QStringLiteral("Tessaly could not be started: %1 is missing or is no program.")
                             .arg(m_shellPath));
    return false;
}

}  // namespace splash
