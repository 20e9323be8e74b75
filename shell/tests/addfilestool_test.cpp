// getem over a throw-away installation, the open-file dialog answered by the test.
#include "shell/core/addfilestool.h"

#include "platform/testing/recorders.h"
#include "platform/testing/filesizelimit.h"
#include "testinstallation.h"

#include <QDir>

using namespace platform::testing;
using platform::OpenFilesOutcome;

namespace {

class AddFilesTest : public ::testing::Test {
protected:
    QString source(const QString &name, const QByteArray &bytes)
    {
        const QString path = elsewhere.filePath(name);
        TestInstallation::writeAt(path, bytes);
        return path;
    }
    QString line(const QString &name) const
    {
        return "copied " + name + " to " + inst.folder() + "/powerpoint.files/";
    }

    TestInstallation inst;
    QTemporaryDir elsewhere;
    ScriptedDialogs dialogs;
    AddFilesTool tool{inst.folder(), "tributa", dialogs};
};

}  // namespace

TEST_F(AddFilesTest, DialogIsSetUpForSeveralExistingFilesFromTheProgramFolder)
{
    tool.getem();
    ASSERT_EQ(dialogs.fileRequests.size(), 1);
    const platform::OpenFilesRequest &request = dialogs.fileRequests[0];
    EXPECT_EQ(request.name, "dlgFiles");
    EXPECT_EQ(request.folder, inst.folder());
    EXPECT_EQ(request.filters, (QStringList{"Text Files (*.txt)", "All Files (*.*)"}));
    EXPECT_EQ(request.filters.at(request.shownFilter), "All Files (*.*)");
    EXPECT_TRUE(request.severalFiles);
    // Cancelled: nothing said, nothing copied.
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(tool.statusLines().isEmpty());
    EXPECT_EQ(AddFilesTool::caption(), "Add files to tessaly");
}

TEST_F(AddFilesTest, EveryChosenFileIsCopiedWithItsLineInTheDialogsOrder)
{
    dialogs.chooseFiles({source("one.odp", "first")});
    tool.getem();
    EXPECT_EQ(tool.statusLines(), QStringList{line("one.odp")});
    EXPECT_EQ(inst.readFile("powerpoint.files/one.odp"), "first");

    dialogs.chooseFiles({source("c.odp", "C"), source("a.odp", "A"), source("b b.ppt", "B")});
    tool.getem();
    EXPECT_EQ(tool.statusLines(),
              (QStringList{line("one.odp"), line("c.odp"), line("a.odp"), line("b b.ppt")}));
    EXPECT_EQ(inst.readFile("powerpoint.files/c.odp"), "C");
    EXPECT_EQ(inst.readFile("powerpoint.files/a.odp"), "A");
    EXPECT_EQ(inst.readFile("powerpoint.files/b b.ppt"), "B");
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(AddFilesTest, ExistingPresentationIsOverwrittenWithoutAsking)
{
    inst.addPresentations({"talk.odp"});
    dialogs.chooseFiles({source("talk.odp", "the new talk")});
    tool.getem();
    EXPECT_EQ(inst.readFile("powerpoint.files/talk.odp"), "the new talk");
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(AddFilesTest, FileFromThePresentationFolderItselfIsLeftWhole)
{
    inst.writeFile("powerpoint.files/talk.odp", "the only copy");
    dialogs.chooseFiles({inst.folder() + "/powerpoint.files/talk.odp"});
    tool.getem();
    EXPECT_EQ(tool.statusLines(), QStringList{line("talk.odp")});
    EXPECT_EQ(inst.readFile("powerpoint.files/talk.odp"), "the only copy");
    EXPECT_EQ(QDir(inst.folder() + "/powerpoint.files").entryList(QDir::Files | QDir::Hidden),
              QStringList{"talk.odp"});
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(AddFilesTest, FailedCopiesPassInSilenceAndLeaveNothingHalfWritten)
{
    inst.writeFile("powerpoint.files/talk.odp", "the old talk");
    const QString big = source("talk.odp", QByteArray(300000, 't'));
    dialogs.chooseFiles({big});

    {
        FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.active());
        tool.getem();
    }

    EXPECT_EQ(tool.statusLines(), QStringList{line("talk.odp")});
    EXPECT_EQ(inst.readFile("powerpoint.files/talk.odp"), "the old talk");
    EXPECT_EQ(QDir(inst.folder() + "/powerpoint.files").entryList(QDir::Files | QDir::Hidden),
              QStringList{"talk.odp"});

    // No presentation folder: the line stands, nothing is made.
    QDir(inst.folder() + "/powerpoint.files").removeRecursively();
    dialogs.chooseFiles({source("new.odp", "x")});
    tool.getem();
    EXPECT_EQ(tool.statusLines().last(), line("new.odp"));
    EXPECT_FALSE(QFileInfo::exists(inst.folder() + "/powerpoint.files"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(AddFilesTest, DialogErrorIsToldUnderTheProgramsTitle)
{
    OpenFilesOutcome failed;
    failed.kind = OpenFilesOutcome::Kind::Failed;
    failed.errorNumber = 12290;
    failed.errorText = "The file name buffer is too small.";
    failed.files = QStringList{source("x.odp", "x")};
    dialogs.fileAnswers.append(failed);
    tool.getem();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].title, "tributa");
    EXPECT_EQ(dialogs.messages[0].text,
              "Error 12290 selecting files.\r\nThe file name buffer is too small.");
    EXPECT_TRUE(tool.statusLines().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(inst.folder() + "/powerpoint.files/x.odp"));
}
