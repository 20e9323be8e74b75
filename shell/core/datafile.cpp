#include "shell/core/datafile.h"

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
    for (const QString &line : lines) {
        if (line.startsWith(QChar(separator))) {
            if (!currentName.isEmpty())
                texts.append({currentName, currentText});
            const QStringList pieces = line.split(QChar(separator));
            currentName = pieces.value(1);
            currentText = pieces.value(2);
        } else {
            if (!currentText.isEmpty())
                currentText += QChar(13);
            currentText += line;
        }
    }
    if (!currentName.isEmpty())
        texts.append({currentName, currentText});
    return texts;
}

}  // namespace DataFile
