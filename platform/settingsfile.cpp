#include "platform/settingsfile.h"

#include "platform/textcodec.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace platform {

SettingsRead readSettingsFile(const QString &path, QStringList *lines, qsizetype maxLines)
{
    lines->clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return SettingsRead::NotOpened;

    // Read in pieces, never more than the limit and one byte: a line that ends
    // beyond the limit makes the file too large, whatever its length.
    constexpr qint64 pieceSize = 64 * 1024;
    QStringList read;
    QByteArray line;            // bytes of the line being read
    bool lfEndsNothing = false; // the byte before was a CR: a LF now is part of its end
    bool firstPiece = true;
    qint64 total = 0;
    const auto wanted = [&] { return maxLines < 0 || read.size() < maxLines; };
    while (wanted()) {
        QByteArray piece = file.read(std::min(pieceSize, settingsFileLimit + 1 - total));
        if (piece.isEmpty()) {
            if (file.error() != QFileDevice::NoError)
                return SettingsRead::NotOpened;
            if (total > settingsFileLimit)
                return SettingsRead::TooLarge;
            if (!line.isEmpty())
                read.append(decodeText(line));
            break;
        }
        total += piece.size();
        // A byte-order mark left by an editor is not part of the first line.
        if (firstPiece && piece.startsWith("\xEF\xBB\xBF"))
            piece.remove(0, 3);
        firstPiece = false;
        qsizetype start = 0;
        for (qsizetype i = 0; i < piece.size() && wanted(); ++i) {
            const char c = piece[i];
            if (c != '\r' && c != '\n')
                continue;
            if (c == '\n' && lfEndsNothing && i == start && line.isEmpty()) {
                lfEndsNothing = false;
                start = i + 1;
                continue;
            }
            line += QByteArrayView(piece).sliced(start, i - start);
            read.append(decodeText(line));
            line.clear();
            lfEndsNothing = c == '\r';
            start = i + 1;
        }
        if (start < piece.size()) {
            line += QByteArrayView(piece).sliced(start);
            lfEndsNothing = false;
        }
    }
    *lines = read;
    return SettingsRead::Read;
}

bool readSettingsLines(const QString &path, QStringList *lines)
{
    return readSettingsFile(path, lines) == SettingsRead::Read;
}

QString settingsFileTooLargeText(const QString &path)
{
    return QStringLiteral("%1 is larger than a settings file may be (%2 MB), so it was not read.")
        .arg(path)
        .arg(settingsFileLimit / (1024 * 1024));
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
