#include "launch/core/launchcheck.h"

#include "launch/core/launchscript.h"
#include "launch/core/scriptfiles.h"
#include "platform/settingsfile.h"

#include <algorithm>
#include <climits>

namespace launch {

int LaunchCheck::run(const QString &programFolder, const QString &programName, QTextStream &out)
{
    const ScriptFiles files = ScriptFiles::locate(programFolder, programName);
    if (!files.hasScript()) {
        out << files.missingScriptText() << '\n';
        return 2;
    }
    QStringList lines;
    switch (platform::readSettingsFile(files.scriptPath(), &lines)) {
    case platform::SettingsRead::Read:
        break;
    case platform::SettingsRead::NotOpened:
        out << QStringLiteral("The launch script %1 cannot be read.").arg(files.scriptPath()) << '\n';
        return 2;
    case platform::SettingsRead::TooLarge:
        out << platform::settingsFileTooLargeText(files.scriptPath()) << '\n';
        return 2;
    }
    const LaunchScript script = LaunchScript::parse(lines);

    // Problems and warnings together, in line order.
    QList<ScriptProblem> told = script.problems() + script.warnings();
    std::stable_sort(told.begin(), told.end(), [](const ScriptProblem &a, const ScriptProblem &b) {
        return (a.lineNumber == 0 ? INT_MAX : a.lineNumber) <
               (b.lineNumber == 0 ? INT_MAX : b.lineNumber);
    });
    for (const ScriptProblem &problem : told)
        out << files.scriptPath() << ": " << problem.toString() << '\n';
    if (!script.problems().isEmpty())
        return 1;

    const qsizetype count = script.entries().size();
    const qsizetype warnings = script.warnings().size();
    out << files.scriptPath() << ": no problems, " << count << (count == 1 ? " entry" : " entries");
    if (warnings > 0)
        out << ", " << warnings << (warnings == 1 ? " warning" : " warnings");
    out << '\n';
    return 0;
}

}  // namespace launch
