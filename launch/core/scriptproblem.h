#pragma once
// A problem found in a launch script or its command line.
#include <QString>

namespace launch {

struct ScriptProblem {
    int lineNumber = 0;  // script line, from 1; 0 when the problem has no line
    QString text;
    // A warning names something that works, but hardly as meant; it is told by
    // `launch --check` only, never in a box while the script loads.
    bool warning = false;

    // "line 7: ...", "line 7: warning: ..." or the bare text.
    QString toString() const
    {
        const QString body = warning ? QStringLiteral("warning: ") + text : text;
        return lineNumber > 0 ? QStringLiteral("line %1: %2").arg(lineNumber).arg(body) : body;
    }
};

}  // namespace launch
