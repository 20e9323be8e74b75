#include "platform/folders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

using platform::listNormalFiles;
using platform::mountedVolumes;

namespace {

void touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
}

QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}

}  // namespace

TEST(Folders, ListsTheNormalFilesOnly)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    touch(root + "/classic.qml");
    touch(root + "/Sky.JPEG");
    touch(root + "/.hidden.qml");
    QDir(root).mkdir("sub.qml");
    touch(root + "/sub.qml/inner.qml");
    ASSERT_TRUE(QFile::link(root + "/classic.qml", root + "/linked.qml"));
    ASSERT_TRUE(QFile::link(root + "/sub.qml", root + "/folder-link.qml"));
    ASSERT_TRUE(QFile::link(root + "/absent.qml", root + "/dangling.qml"));

    const platform::FolderListing listing = listNormalFiles(root);
    EXPECT_TRUE(listing.complete());
    EXPECT_EQ(sorted(listing.names), (QStringList{"Sky.JPEG", "classic.qml", "linked.qml"}));
    // Names with a trailing separator on the folder read the same.
    EXPECT_EQ(sorted(listNormalFiles(root + "/").names), sorted(listing.names));
}

TEST(Folders, UnreadableFolderGivesTheSystemsError)
{
    QTemporaryDir dir;
    platform::FolderListing missing = listNormalFiles(dir.path() + "/no such folder");
    EXPECT_FALSE(missing.complete());
    EXPECT_EQ(missing.errorNumber, ENOENT);
    EXPECT_EQ(missing.errorText, QStringLiteral("No such file or directory"));
    EXPECT_TRUE(missing.names.isEmpty());

    touch(dir.path() + "/file.png");
    EXPECT_EQ(listNormalFiles(dir.path() + "/file.png").errorNumber, ENOTDIR);
    EXPECT_EQ(listNormalFiles(QString()).errorNumber, ENOENT);
}

TEST(Folders, VolumesStartAtTheRoot)
{
    const QStringList volumes = mountedVolumes();
    ASSERT_FALSE(volumes.isEmpty());
    EXPECT_EQ(volumes.first(), QStringLiteral("/"));
    EXPECT_EQ(volumes.count("/"), 1);
    for (const QString &volume : volumes) {
        EXPECT_TRUE(QDir(volume).exists()) << volume.toStdString();
        EXPECT_FALSE(volume.startsWith("/proc")) << volume.toStdString();
    }
}
