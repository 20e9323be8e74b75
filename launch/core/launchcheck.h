#pragma once
// `launch --check`: a dry run for script authors. Reads the script as a load would,
// runs nothing, and prints every problem with its line number.
#include <QString>
#include <QTextStream>

namespace launch {

class LaunchCheck {
public:
    // Returns the exit status: 0 when the script has no problem, 1 when it has some,
    // 2 when there is no script to read.
    static int run(const QString &programFolder, const QString &programName, QTextStream &out);
};

}  // namespace launch
