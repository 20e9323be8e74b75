#include "platform/commandline.h"

namespace platform {

QStringList splitCommandLine(const QString &commandLine)
{
    QStringList arguments;
    const qsizetype n = commandLine.size();
    qsizetype i = 0;
    auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };

    while (true) {
        while (i < n && isBlank(commandLine[i]))
            ++i;
        if (i >= n)
            break;

        QString argument;
        bool quoted = false;
        while (i < n) {
            const QChar c = commandLine[i];
            if (c == u'\\') {
                qsizetype backslashes = 0;
                while (i < n && commandLine[i] == u'\\') {
                    ++backslashes;
                    ++i;
                }
                if (i < n && commandLine[i] == u'"') {
                    // 2n backslashes: n of them, and the quote groups;
                    // 2n+1: n of them and a literal quote.
                    argument += QString(backslashes / 2, u'\\');
                    if (backslashes % 2 == 1) {
                        argument += u'"';
                        ++i;
                    }
                } else {
                    argument += QString(backslashes, u'\\');
                }
                continue;
            }
            if (c == u'"') {
                if (quoted && i + 1 < n && commandLine[i + 1] == u'"') {
                    // Two quotes inside a quoted part give one literal quote.
                    argument += u'"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            if (!quoted && isBlank(c))
                break;
            argument += c;
            ++i;
        }
        arguments.append(argument);
    }
    return arguments;
}

}  // namespace platform
