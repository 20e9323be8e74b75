#include "platform/settingsfile.h"

#include "platform/textcodec.h"

#include <QFile>
#include <QSaveFile>

namespace platform {

bool readSettingsLines(const QString &path, QStringList *lines)
{
    lines->clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = file.readAll();
    file.close();

    // A byte-order mark left by an editor is not part of the first line.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);

    // The whole file is decoded at once: it was written either here (UTF-8) or on
    // the original platform (Windows-1252), never half and half.
    const QString text = decodeText(bytes);
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            lines->append(text.mid(start, i - start));
            if (i + 1 < n && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        } else if (c == u'\n') {
            lines->append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    if (start < n)
        lines->append(text.mid(start));
    return true;
}

bool writeSettingsLines(const QString &path, const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += encodeText(line);
        bytes += "\r\n";
    }
    // Written beside the file and renamed over it, so that a failed write leaves
    // the previous content whole.
    // Unbuffered, so that a short write (a full disk) is seen here and not lost
    // in a later flush.
    QSaveFile file(path);
    // In a folder where no file can be made but the file itself is writable, it is
    // written in place rather than not at all.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace platform
