#include "shell/core/playlistfile.h"

#include "testinstallation.h"

TEST(PlaylistFile, ReadsNineteenSlotsInFileOrder)
{
    TestInstallation inst;
    inst.writePlaylist(slotsOf({"a.odp", "", "-choose one-", "typed name"}));
    const QStringList entries = PlaylistFile::read(inst.folder() + "/playlist.txt");
    ASSERT_EQ(entries.size(), 19);
    EXPECT_EQ(entries[0], "a.odp");
    EXPECT_EQ(entries[1], "");
    EXPECT_EQ(entries[2], "-choose one-");
    EXPECT_EQ(entries[3], "typed name");
    EXPECT_EQ(entries[18], "");
}

TEST(PlaylistFile, MissingOrShortFileGivesEmptySlotsAndLongFileIsCut)
{
    TestInstallation inst;
    const QString path = inst.folder() + "/playlist.txt";
    EXPECT_EQ(PlaylistFile::read(path), slotsOf({}));

    inst.writeFile("playlist.txt", "one.odp\r\ntwo.odp");  // two lines, the last unterminated
    EXPECT_EQ(PlaylistFile::read(path), slotsOf({"one.odp", "two.odp"}));

    QByteArray many;
    for (int i = 0; i < 25; ++i)
        many += QByteArray::number(i) + "\r\n";
    inst.writeFile("playlist.txt", many);
    const QStringList entries = PlaylistFile::read(path);
    ASSERT_EQ(entries.size(), 19);
    EXPECT_EQ(entries[18], "18");
}

TEST(PlaylistFile, LinesEndedByLineFeedOnlyReadTheSame)
{
    TestInstallation inst;
    inst.writeFile("playlist.txt", "one.odp\n\nthree.odp\n");
    EXPECT_EQ(PlaylistFile::read(inst.folder() + "/playlist.txt"),
              slotsOf({"one.odp", "", "three.odp"}));
}

TEST(PlaylistFile, WritesExactlyNineteenCrLfLines)
{
    TestInstallation inst;
    const QString path = inst.folder() + "/playlist.txt";
    ASSERT_TRUE(PlaylistFile::write(path, slotsOf({})));
    EXPECT_EQ(inst.readFile("playlist.txt"), QByteArray("\r\n").repeated(19));

    // Fewer texts are padded with empty slots; the whole file is written.
    ASSERT_TRUE(PlaylistFile::write(path, {"first.odp", "caf\u00e9 show.odp"}));
    EXPECT_EQ(inst.readFile("playlist.txt"),
              QByteArray("first.odp\r\ncaf\xc3\xa9 show.odp\r\n") + QByteArray("\r\n").repeated(17));
    EXPECT_EQ(PlaylistFile::read(path), slotsOf({"first.odp", "caf\u00e9 show.odp"}));
}
