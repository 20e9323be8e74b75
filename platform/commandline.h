#pragma once
// Command lines split into arguments by the Windows rules: blanks separate,
// double quotes group, \" is a literal quote, backslashes are literal elsewhere
// (2n backslashes before a quote give n and the quote groups; 2n+1 give n and a quote).
#include <QString>
#include <QStringList>

namespace platform {

QStringList splitCommandLine(const QString &commandLine);

}  // namespace platform
