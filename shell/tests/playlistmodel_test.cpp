#include "shell/core/playlistmodel.h"

#include "testinstallation.h"

namespace {

class PlaylistModelTest : public ::testing::Test {
protected:
    TestInstallation inst;
    PlaylistModel model{inst.folder() + "/playlist.txt", inst.folder() + "/powerpoint.files"};

    // A playlist file with all 19 slots filled, p1 to p19; returns the slots.
    QStringList writeFullPlaylist()
    {
        QStringList full;
        for (int i = 1; i <= 19; ++i)
            full << QString("p%1").arg(i);
        inst.writePlaylist(full);
        return full;
    }

    // Picks an item in a slot as the user does: the slot takes the focus first.
    void pick(int slot, const QString &item)
    {
        model.slotFocused(slot);
        model.itemPicked(slot, item);
    }
};

}  // namespace

TEST_F(PlaylistModelTest, ReloadListsInsertDeleteThenTheFolderFilesAndLoadsTheSlots)
{
    inst.addPresentations({"one.odp", "two.odp", ".hidden.odp"});
    QDir(inst.folder()).mkpath("powerpoint.files/subfolder");
    inst.writePlaylist(slotsOf({"two.odp", "", "gone.odp"}));

    model.ReloadPlaylist();

    const QStringList items = model.listItems();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0], "+Insert");
    EXPECT_EQ(items[1], "-Delete");
    EXPECT_TRUE(items.contains("one.odp"));
    EXPECT_TRUE(items.contains("two.odp"));
    EXPECT_EQ(model.slotText(0), "two.odp");
    EXPECT_EQ(model.slotText(2), "gone.odp");  // missing files stay as text
    EXPECT_EQ(model.slotLabel(0), "1");
    EXPECT_EQ(model.slotLabel(18), "19");
}

TEST_F(PlaylistModelTest, UnlistableFolderAndMissingPlaylistGiveEditActionsAndEmptySlots)
{
    PlaylistModel lonely(inst.folder() + "/no-playlist.txt", inst.folder() + "/no-such-folder");
    lonely.ReloadPlaylist();
    EXPECT_EQ(lonely.listItems(), QStringList({"+Insert", "-Delete"}));
    EXPECT_EQ(lonely.slotTexts(), slotsOf({}));
}

TEST_F(PlaylistModelTest, InsertMovesTheFocusedTextDown)
{
    inst.writePlaylist(slotsOf({"A", "B", "C"}));
    model.ReloadPlaylist();
    pick(1, "+Insert");
    EXPECT_EQ(model.slotTexts(), slotsOf({"A", "-choose one-", "B", "C"}));
    EXPECT_EQ(model.lastValue(), "B");
}

TEST_F(PlaylistModelTest, InsertUsesTheTextTheSlotHadWhenItGotTheFocus)
{
    inst.writePlaylist(slotsOf({"A", "B", "C"}));
    model.ReloadPlaylist();
    model.slotFocused(1);
    model.itemPicked(1, "picked.odp");
    EXPECT_EQ(model.slotText(1), "picked.odp");
    model.itemPicked(1, "+Insert");
    EXPECT_EQ(model.slotTexts(), slotsOf({"A", "-choose one-", "B", "C"}));
}

TEST_F(PlaylistModelTest, InsertInAFullPlaylistPushesTheLastEntryOut)
{
    writeFullPlaylist();
    model.ReloadPlaylist();
    pick(0, "+Insert");
    EXPECT_EQ(model.slotText(0), "-choose one-");
    EXPECT_EQ(model.slotText(1), "p1");
    EXPECT_EQ(model.slotText(18), "p18");
    EXPECT_FALSE(model.slotTexts().contains("p19"));
}

TEST_F(PlaylistModelTest, InsertInTheLastSlotEmptiesThatSlotOnly)
{
    const QStringList full = writeFullPlaylist();
    model.ReloadPlaylist();
    pick(18, "+Insert");
    QStringList expected = full;
    expected[18] = "-choose one-";
    EXPECT_EQ(model.slotTexts(), expected);
}

TEST_F(PlaylistModelTest, DeleteClosesTheGapAndMarksTheLastSlot)
{
    inst.writePlaylist(slotsOf({"A", "B", "C"}));
    model.ReloadPlaylist();
    pick(1, "-Delete");
    QStringList expected = slotsOf({"A", "C"});
    expected[18] = "-choose one-";
    EXPECT_EQ(model.slotTexts(), expected);

    pick(18, "-Delete");
    EXPECT_EQ(model.slotText(18), "-choose one-");
    EXPECT_EQ(model.slotText(1), "C");
}

TEST_F(PlaylistModelTest, EditsChangeNothingOnDiskUntilSaved)
{
    inst.writePlaylist(slotsOf({"A", "B"}));
    const QByteArray before = inst.readFile("playlist.txt");
    model.ReloadPlaylist();
    pick(0, "-Delete");
    model.setSlotText(3, "typed but not listed.odp");
    EXPECT_EQ(inst.readFile("playlist.txt"), before);

    ASSERT_TRUE(model.save_playlist());
    QStringList expected = slotsOf({"B", "", "", "typed but not listed.odp"});
    expected[18] = "-choose one-";
    EXPECT_EQ(inst.readFile("playlist.txt").count("\r\n"), 19);
    PlaylistModel again(inst.folder() + "/playlist.txt", inst.folder() + "/powerpoint.files");
    again.load_playlist();
    EXPECT_EQ(again.slotTexts(), expected);
}

TEST_F(PlaylistModelTest, ShortPlaylistIsWrittenWholeOnSave)
{
    inst.writeFile("playlist.txt", "only.odp\r\n");
    model.ReloadPlaylist();
    EXPECT_EQ(model.slotTexts(), slotsOf({"only.odp"}));
    ASSERT_TRUE(model.save_playlist());
    EXPECT_EQ(inst.readFile("playlist.txt"), "only.odp\r\n" + QByteArray("\r\n").repeated(18));
}
