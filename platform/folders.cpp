#include "platform/folders.h"

#include <QFile>
#include <QStorageInfo>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace platform {
namespace {

void setError(FolderListing *listing, int errorNumber)
{
    listing->errorNumber = errorNumber;
    listing->errorText = QString::fromLocal8Bit(std::strerror(errorNumber));
}

bool isRegularFile(const QByteArray &folder, const dirent *entry)
{
    if (entry->d_type == DT_REG)
        return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
        return false;
    struct stat info {};
    const QByteArray path = folder + '/' + entry->d_name;
    return ::stat(path.constData(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

FolderListing listNormalFiles(const QString &folder)
{
    FolderListing listing;
    const QByteArray path = QFile::encodeName(folder);
    if (path.isEmpty()) {
        setError(&listing, ENOENT);
        return listing;
    }
    DIR *dir = ::opendir(path.constData());
    if (!dir) {
        setError(&listing, errno);
        return listing;
    }
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0)
                setError(&listing, errno);
            break;
        }
        if (entry->d_name[0] == '.')
            continue;
        if (isRegularFile(path, entry))
            listing.names.append(QFile::decodeName(entry->d_name));
    }
    ::closedir(dir);
    return listing;
}

QStringList mountedVolumes()
{
    QStringList roots{QStringLiteral("/")};
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        // Disks, partitions and sticks: a device of their own. Memory file systems
        // (/run, /dev/shm) and packed program images are no place for a user's files.
        if (!volume.device().startsWith("/dev/") || volume.fileSystemType() == "squashfs")
            continue;
        const QString root = volume.rootPath();
        if (!roots.contains(root))
            roots.append(root);
    }
    return roots;
}

}  // namespace platform
