#pragma once
// A problem found in a launch script or its command line.
#include <QString>

namespace launch {

struct ScriptProblem {
    int lineNumber = 0;  // script line, from 1; 0 when the problem has no line
    QString text;

    // "line 7: ..." or the bare text.
    QString toString() const
    {
        return lineNumber > 0 ? QStringLiteral("line %1: %2").arg(lineNumber).arg(text) : text;
    }
};

}  // namespace launch
