#pragma once
// `launch --check`: a dry run for script authors. Reads the script as a load would,
// runs nothing, and prints every problem and warning with its line number, in line
// order.
#include <QString>
#include <QTextStream>

namespace launch {

class LaunchCheck {
public:
    // Returns the exit status: 0 when the script has no problem (warnings do not
    // count), 1 when it has some, 2 when there is no script it can read.
    static int run(const QString &programFolder, const QString &programName, QTextStream &out);
};

}  // namespace launch
