#include "shell/core/viewercommand.h"

#include "platform/settingsfile.h"

#include <QStringList>

namespace ViewerCommand {

QString read(const QString &path)
{
    QStringList lines;
    if (!platform::readSettingsLines(path, &lines) || lines.isEmpty())
        return QString();
    return lines.first();
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
    return command + quote + presentationPath + quote;
}

}  // namespace ViewerCommand
