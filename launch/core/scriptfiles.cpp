#include "launch/core/scriptfiles.h"

#include "platform/programfolder.h"

namespace launch {

namespace {

QStringList candidates(const QString &folder, const QString &fileName)
{
    const QString support = platform::joinPath(folder, QStringLiteral("support"));
    return {platform::joinPath(support, fileName), platform::joinPath(folder, fileName)};
}

QString firstExisting(const QStringList &paths)
{
    for (const QString &path : paths) {
        if (platform::fileExists(path))
            return path;
    }
    return QString();
}

}  // namespace

ScriptFiles ScriptFiles::locate(const QString &programFolder, const QString &programName)
{
    ScriptFiles files;
    files.m_scriptCandidates = candidates(programFolder, programName + QStringLiteral(".ini"));
    files.m_scriptPath = firstExisting(files.m_scriptCandidates);
    files.m_picturePath = firstExisting(candidates(programFolder, programName + QStringLiteral(".jpg")));
    return files;
}

QString ScriptFiles::missingScriptText() const
{
    return QStringLiteral("No launch script was found. Looked for:\n%1\n%2")
        .arg(m_scriptCandidates.value(0), m_scriptCandidates.value(1));
}

}  // namespace launch
