#include "poweruser/core/poweruser.h"

#include "platform/filecopy.h"
#include "platform/programfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace poweruser {
namespace {

const QString kBackupState = QStringLiteral("backup");
const QString kNormalState = QStringLiteral("normal");
const QString kCommentRule = QStringLiteral("The comment names the folder of the backup set, so it ");

// Two paths name the same folder (links and "." or ".." resolved where they exist).
bool sameFolder(const QString &a, const QString &b)
{
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    const QString canonicalB = QFileInfo(b).canonicalFilePath();
    if (!canonicalA.isEmpty() && !canonicalB.isEmpty())
        return canonicalA == canonicalB;
    return QDir::cleanPath(a) == QDir::cleanPath(b);
}

// "a", "a and b", "a, b and c".
QString listed(const QStringList &names)
{
    if (names.size() < 2)
        return names.join(QString());
    return names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ")
           + names.last();
}

}  // namespace

PowerUser::PowerUser(const QString &installationFolder, Services services, PowerUserView &view)
    : m_installationFolder(installationFolder), m_services(std::move(services)), m_view(view)
{
}

QString PowerUser::programTitle() { return QStringLiteral("TS PowerUser"); }

QString PowerUser::windowCaption() { return QStringLiteral("Tessaly - PowerUser"); }

QStringList PowerUser::setFiles()
{
    return {QStringLiteral("style.swf"), QStringLiteral("background.swf"),
            QStringLiteral("data.txt"), QStringLiteral("playlist.txt")};
}

QStringList PowerUser::backupHintLines()
{
    return {QStringLiteral("Click the above button to "), QStringLiteral("save the current playlist "),
            QStringLiteral("and style settings."),
            QStringLiteral("(does not backup your powerpoint presentation files)")};
}

QStringList PowerUser::helpLines()
{
    return {QStringLiteral("Help:"),
            QStringLiteral("Backup button - this stores the "),
            QStringLiteral("current playlist and style for "),
            QStringLiteral("later use."),
            QStringLiteral("To restore a previously "),
            QStringLiteral("saved backup set, double click "),
            QStringLiteral("the appropriate directory on the "),
            QStringLiteral("right."),
            QStringLiteral("Powerpoint - launches the powerpoint files directory "),
            QStringLiteral("used by Tessaly")};
}

int PowerUser::toggledHeight(int heightTwips)
{
    return heightTwips == kUnfoldedHeight ? kFoldedHeight : kUnfoldedHeight;
}

QString PowerUser::backupFolder() const { return inInstallation(QStringLiteral("backup")); }

QString PowerUser::inInstallation(const QString &name) const
{
    return platform::joinPath(m_installationFolder, name);
}

void PowerUser::start() { m_view.showFolder(backupFolder()); }

QString PowerUser::commentProblem(const QString &comment)
{
    if (comment.trimmed().isEmpty())
        return kCommentRule + QStringLiteral("cannot be empty.");
    if (comment == QLatin1String(".") || comment == QLatin1String(".."))
        return kCommentRule + QStringLiteral("cannot be \".\" or \"..\".");
    if (comment.contains(u'/'))
        return kCommentRule + QStringLiteral("cannot hold \"/\".");
    return QString();
}

void PowerUser::saveCurrentSettings()
{
    m_state = kBackupState;
    QString comment;
    const bool accepted = m_services.dialogs.inputBox(
        programTitle(), QStringLiteral("add a comment to your backup"), &comment, QString());
    // Cancel makes no set (rather than filling the backup folder's root).
    if (accepted)
        backUpInto(comment);
    m_state = kNormalState;
}

void PowerUser::backUpInto(const QString &comment)
{
    const QString problem = commentProblem(comment);
    if (!problem.isEmpty()) {
        message(problem + QStringLiteral(" No backup was made."));
        return;
    }
    QStringList missing;
    for (const QString &name : setFiles()) {
        if (!platform::fileExists(inInstallation(name)))
            missing.append(name);
    }
    if (!missing.isEmpty()) {
        message(QStringLiteral("There is no %1 in %2 to back up. No backup was made.")
                    .arg(listed(missing), m_installationFolder));
        return;
    }

    const QString setFolder = platform::joinPath(backupFolder(), comment);
    if (!QDir().mkpath(setFolder)) {
        message(QStringLiteral("The folder of the backup set could not be made: %1. No backup was made.")
                    .arg(setFolder));
        return;
    }
    m_view.showFolder(backupFolder());

    if (!copyAll(m_installationFolder, setFolder,
                 QStringLiteral("%1 could not be copied into the backup set %2: %3.")))
        return;
    const QString when = QLocale::system().toString(m_services.now(), QLocale::ShortFormat);
    m_view.setStatusText(when + QStringLiteral("backup completed"));
}

void PowerUser::folderChanged(const QString &folder)
{
    if (!sameFolder(folder, backupFolder()) && m_state != kBackupState)
        restoreFrom(folder);
    m_view.showFolder(backupFolder());
}

void PowerUser::restoreFrom(const QString &setFolder)
{
    if (sameFolder(setFolder, m_installationFolder)) {
        message(QStringLiteral("%1 is the installation folder itself: its files cannot be restored "
                               "onto themselves. Nothing was restored.")
                    .arg(setFolder));
        return;
    }
    QStringList missing;
    for (const QString &name : setFiles()) {
        if (!platform::fileExists(platform::joinPath(setFolder, name)))
            missing.append(name);
    }
    if (!missing.isEmpty()) {
        message(QStringLiteral("The backup set %1 has no %2. Nothing was restored.")
                    .arg(setFolder, listed(missing)));
        return;
    }
    if (!copyAll(setFolder, m_installationFolder,
                 QStringLiteral("%1 could not be restored into %2: %3.")))
        return;
    message(QStringLiteral("restore complete"));
    m_state = kNormalState;
}

// Copies the four files in their order, each whole or not at all. On a failure the
// user is told which file (`failureText` takes the name, the target folder and the
// reason) and which were copied before it; the files after it are left alone.
bool PowerUser::copyAll(const QString &fromFolder, const QString &toFolder,
                        const QString &failureText)
{
    QStringList copied;
    for (const QString &name : setFiles()) {
        QString error;
        if (!platform::copyFileAtomically(platform::joinPath(fromFolder, name),
                                          platform::joinPath(toFolder, name), &error)) {
            QString text = failureText.arg(name, toFolder, error);
            text += copied.isEmpty()
                        ? QStringLiteral(" No file was changed.")
                        : QStringLiteral(" %1 %2 copied; %3 and the files after it were not.")
                              .arg(listed(copied),
                                   copied.size() == 1 ? QStringLiteral("was") : QStringLiteral("were"),
                                   name);
            message(text);
            return false;
        }
        copied.append(name);
    }
    return true;
}

void PowerUser::openPowerpointFolder()
{
    m_services.launcher.openTarget(inInstallation(QStringLiteral("powerpoint.files")),
                                   m_installationFolder);
}

void PowerUser::startTessaly()
{
    if (!m_services.launcher.startProcess(QStringLiteral("ts.exe"), QString(),
                                          platform::WindowState::Maximised))
        message(QStringLiteral("Tessaly could not be started: no program TS was found in the "
                               "current folder, beside TSPowerUser or on the search path."));
}

void PowerUser::message(const QString &text)
{
    m_services.dialogs.messageBox(programTitle(), text);
}

}  // namespace poweruser
