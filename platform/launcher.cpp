#include "platform/launcher.h"

#include "platform/commandline.h"
#include "platform/programfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace platform {
namespace {

// The suite's Windows program names and the programs that stand for them here.
QString mapProgramName(const QString &program)
{
    QString name = program;
    if (name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        name.chop(4);
    static const char *const kKnown[] = {"TS", "TSPowerUser", "zandro", "splash", "help"};
    // Only a bare name is one of the suite's programs; a path keeps its spelling.
    if (!name.contains(u'/')) {
        for (const char *known : kKnown) {
            if (name.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
                return QLatin1String(known);
        }
    }
    return name;
}

bool isExecutableFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

// An executable file that is a program: an ELF binary or a script with "#!".
bool isProgramFile(const QString &path)
{
    if (!isExecutableFile(path))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    return head.startsWith("\x7F" "ELF") || head.startsWith("#!");
}

bool looksLikeUrl(const QString &target)
{
    // Two letters at least, so that a drive letter ("c:") is not a scheme.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.\\-]+:"));
    return scheme.match(target).hasMatch();
}

class SystemLauncher : public Launcher {
public:
    bool startProcess(const QString &commandLine, const QString &workingFolder,
                      WindowState) override
    {
        // The window state has no meaning a started X program would take from us.
        QStringList arguments = splitCommandLine(commandLine);
        if (arguments.isEmpty() || arguments.first().isEmpty())
            return false;
        const QString program = resolveProgram(arguments.takeFirst());
        return QProcess::startDetached(program, arguments, workingFolder);
    }

    bool openTarget(const QString &target, const QString &workingFolder) override
    {
        const OpenPlan plan = planOpenTarget(target, workingFolder);
        if (plan.kind == OpenPlan::Kind::Nothing)
            return false;
        return QProcess::startDetached(plan.program, plan.arguments, plan.workingFolder);
    }
};

}  // namespace

QString resolveProgram(const QString &program)
{
    const QString name = mapProgramName(program);
    if (name.isEmpty())
        return name;
    if (name.contains(u'/'))
        return QDir::current().absoluteFilePath(name);

    const QString inWorkingDirectory = joinPath(QDir::currentPath(), name);
    if (isExecutableFile(inWorkingDirectory))
        return inWorkingDirectory;
    const QString inProgramFolder = joinPath(programFolder(), name);
    if (isExecutableFile(inProgramFolder))
        return inProgramFolder;
    const QString onPath = QStandardPaths::findExecutable(name);
    if (!onPath.isEmpty())
        return onPath;
    return name;
}

OpenPlan planOpenTarget(const QString &target, const QString &workingFolder)
{
    OpenPlan plan;
    if (target.trimmed().isEmpty())
        return plan;

    const QString folder =
        (!workingFolder.isEmpty() && QFileInfo(workingFolder).isDir()) ? workingFolder : QString();
    plan.workingFolder = folder;

    // A file or folder of that name comes first: a colon is an ordinary character
    // in a file name here ("backup-12:30.odp"), so a name that reads like an
    // address may be a file.
    const QString base = folder.isEmpty() ? QDir::currentPath() : folder;
    const QString path = QFileInfo(target).isAbsolute() ? target : joinPath(base, target);
    const QFileInfo info(path);
    if (!info.exists() && looksLikeUrl(target)) {
        plan.kind = OpenPlan::Kind::Associate;
        plan.program = QStringLiteral("xdg-open");
        plan.arguments = QStringList{target};
        return plan;
    }
    if (info.exists()) {
        if (isProgramFile(path)) {
            plan.kind = OpenPlan::Kind::Start;
            plan.program = info.absoluteFilePath();
        } else {
            plan.kind = OpenPlan::Kind::Associate;
            plan.program = QStringLiteral("xdg-open");
            plan.arguments = QStringList{info.absoluteFilePath()};
        }
        return plan;
    }

    if (target.startsWith(QLatin1String("www."), Qt::CaseInsensitive)) {
        plan.kind = OpenPlan::Kind::Associate;
        plan.program = QStringLiteral("xdg-open");
        plan.arguments = QStringList{QStringLiteral("http://") + target};
        return plan;
    }

    if (!target.contains(u'/')) {
        const QString program = resolveProgram(target);
        if (program.contains(u'/') && isExecutableFile(program)) {
            plan.kind = OpenPlan::Kind::Start;
            plan.program = program;
            return plan;
        }
    }
    plan.workingFolder.clear();
    return plan;
}

QString wordProcessorCommand()
{
    static const char *const kCandidates[][2] = {
        {"libreoffice", " --writer"}, {"lowriter", ""}, {"soffice", " --writer"},
        {"abiword", ""}, {"calligrawords", ""},
    };
    for (const auto &candidate : kCandidates) {
        const QString program = QStandardPaths::findExecutable(QLatin1String(candidate[0]));
        if (program.isEmpty())
            continue;
        const QString word = program.contains(u' ') ? u'"' + program + u'"' : program;
        return word + QLatin1String(candidate[1]);
    }
    return QString();
}

Launcher &systemLauncher()
{
    static SystemLauncher launcher;
    return launcher;
}

}  // namespace platform
