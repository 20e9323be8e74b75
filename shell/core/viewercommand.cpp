#include "shell/core/viewercommand.h"

#include <QStringList>

namespace {

// The path as the command line's splitter must read it back: a double quote in a
// file name (possible here, never on the original platform) is written as \", and
// the backslashes before it, or before the closing quote, are doubled. Without
// this a file name could end the quoted path and add arguments of its own.
QString escapedPath(const QString &path, bool quoted)
{
    QString escaped;
    int backslashes = 0;
    for (const QChar c : path) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        if (c == u'"')
            escaped += QString(2 * backslashes + 1, u'\\');
        else
            escaped += QString(backslashes, u'\\');
        backslashes = 0;
        escaped += c;
    }
    escaped += QString(quoted ? 2 * backslashes : backslashes, u'\\');
    return escaped;
}

}  // namespace

namespace ViewerCommand {

QString read(const QString &path, platform::SettingsRead *result)
{
    QStringList lines;
    const platform::SettingsRead read = platform::readSettingsFile(path, &lines, 1);
    if (result)
        *result = read;
    return lines.value(0);
}

QString complete(const QString &viewerCommand, const QString &presentationPath)
{
    if (viewerCommand.trimmed().isEmpty())
        return QString();
    QString command = viewerCommand;
    QString quote = QStringLiteral("\"");
    if (command.endsWith(QLatin1String("-\""))) {
        command.chop(2);
        quote.clear();
    }
    if (!command.endsWith(QLatin1Char(' ')))
        command += QLatin1Char(' ');
    return command + quote + escapedPath(presentationPath, !quote.isEmpty()) + quote;
}

}  // namespace ViewerCommand
