#pragma once
// Where a launch program finds its script and picture: named after the executable,
// first in the "support" folder, then in the program folder itself.
#include <QString>
#include <QStringList>

namespace launch {

class ScriptFiles {
public:
    // Looks for programFolder/support/NAME.ini, then programFolder/NAME.ini, and the
    // same for NAME.jpg.
    static ScriptFiles locate(const QString &programFolder, const QString &programName);

    bool hasScript() const { return !m_scriptPath.isEmpty(); }
    const QString &scriptPath() const { return m_scriptPath; }
    bool hasPicture() const { return !m_picturePath.isEmpty(); }
    const QString &picturePath() const { return m_picturePath; }

    // The two script paths looked for, in order.
    const QStringList &scriptCandidates() const { return m_scriptCandidates; }

    // The message when neither script exists, naming both paths.
    QString missingScriptText() const;

private:
    QString m_scriptPath;
    QString m_picturePath;
    QStringList m_scriptCandidates;
};

}  // namespace launch
