#include "launch/core/launchcheck.h"

#include "launch/core/launchscript.h"
#include "launch/core/scriptfiles.h"
#include "platform/settingsfile.h"

namespace launch {

int LaunchCheck::run(const QString &programFolder, const QString &programName, QTextStream &out)
{
    const ScriptFiles files = ScriptFiles::locate(programFolder, programName);
    if (!files.hasScript()) {
        out << files.missingScriptText() << '\n';
        return 2;
    }
    QStringList lines;
    if (!platform::readSettingsLines(files.scriptPath(), &lines)) {
        out << QStringLiteral("The launch script %1 cannot be read.").arg(files.scriptPath()) << '\n';
        return 2;
    }
    const LaunchScript script = LaunchScript::parse(lines);
    const QList<ScriptProblem> &problems = script.problems();
    for (const ScriptProblem &problem : problems)
        out << files.scriptPath() << ": " << problem.toString() << '\n';
    if (problems.isEmpty()) {
        const qsizetype count = script.entries().size();
        out << files.scriptPath() << ": no problems, " << count
            << (count == 1 ? " entry" : " entries") << '\n';
        return 0;
    }
    return 1;
}

}  // namespace launch
