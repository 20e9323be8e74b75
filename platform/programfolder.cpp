#include "platform/programfolder.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace platform {
namespace {

QFileInfo executableInfo()
{
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer) {
        // No /proc: the application object knows its file, where there is one.
        if (QCoreApplication::instance())
            return QFileInfo(QCoreApplication::applicationFilePath());
        return QFileInfo();
    }
    return QFileInfo(QFile::decodeName(QByteArray(buffer, int(length))));
}

}  // namespace

QString programFolder()
{
    QString folder = executableInfo().absolutePath();
    // The root folder is the one folder text that is only a separator.
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

QString programName()
{
    return executableInfo().completeBaseName();
}

QString joinPath(const QString &folder, const QString &name)
{
    if (folder.isEmpty())
        return name;
    QString result = folder;
    while (result.endsWith(u'/'))
        result.chop(1);
    qsizetype skip = 0;
    while (skip < name.size() && name[skip] == u'/')
        ++skip;
    return result + u'/' + name.mid(skip);
}

bool fileExists(const QString &path)
{
    // A path ending in a separator names a folder, never a file.
    if (path.isEmpty() || path.endsWith(u'/'))
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

}  // namespace platform
