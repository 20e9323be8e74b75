#pragma once
// Folder listings and the machine's volumes, for the windows that let a user pick
// files from folders (and, when a folder cannot be read, from the volumes).
#include <QString>
#include <QStringList>

namespace platform {

struct FolderListing {
    QStringList names;    // file names, without the folder
    int errorNumber = 0;  // errno of the failure; 0 when the whole folder was read
    QString errorText;    // the system's description of errorNumber
    bool complete() const { return errorNumber == 0; }
};

// The normal files directly in `folder`: regular files (a link counts as the file
// it leads to), no hidden files (names starting with "."), no folders, in the
// order the file system gives them. A folder that cannot be read ends the listing
// with its error; the names read before it are kept.
FolderListing listNormalFiles(const QString &folder);

// The root folder "/" first, then the mount point of every other mounted disk,
// partition or stick (volumes with a device in /dev; memory and pseudo file
// systems such as /run or /proc, and packed program images, are left out), in the
// order they were mounted. These stand where the original listed the drive letters.
QStringList mountedVolumes();

}  // namespace platform
