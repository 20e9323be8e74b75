#include "shell/core/datafile.h"

#include "platform/settingsfile.h"

#include <QFileInfo>

namespace DataFile {

QStringList variableNames()
{
    QStringList names;
    for (char c = 'a'; c <= 'y'; ++c)
        names << QString(QLatin1Char(c));
    return names;
}

QStringList block(const QString &name, const QString &value)
{
    const QString text = value.isEmpty() ? QStringLiteral(" ") : value;
    QStringList lines = text.split(QChar(13));
    lines[0] = QChar(separator) + name + QChar(separator) + lines.at(0);
    return lines;
}

QList<QPair<QString, QString>> parse(const QStringList &lines)
{
    QList<QPair<QString, QString>> texts;
    QString currentName;
    QString currentText;
    bool firstLineRead = false;  // the current header held the text's first line
    for (const QString &line : lines) {
        if (line.startsWith(QChar(separator))) {
            if (!currentName.isEmpty())
                texts.append({currentName, currentText});
            const QStringList pieces = line.split(QChar(separator));
            currentName = pieces.value(1);
            currentText = pieces.value(2);
            firstLineRead = pieces.size() > 2;
        } else {
            // A header with two separators holds the text's first line, even
            // when that line is empty: every further line then starts after a
            // carriage return, so a text that begins with an empty line loads
            // back as it was saved.
            if (firstLineRead)
                currentText += QChar(13);
            firstLineRead = true;
            currentText += line;
        }
    }
    if (!currentName.isEmpty())
        texts.append({currentName, currentText});
    return texts;
}

bool hasStrayLines(const QStringList &lines)
{
    for (const QString &line : lines) {
        if (line.startsWith(QChar(separator)))
            return false;
        if (!line.trimmed().isEmpty())
            return true;
    }
    return false;
}

bool hasUnreadTexts(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return false;
    QStringList lines;
    if (platform::readSettingsFile(path, &lines) != platform::SettingsRead::Read)
        return true;
    return hasStrayLines(lines);
}

}  // namespace DataFile
