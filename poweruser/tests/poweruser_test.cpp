// TSPowerUser's logic with the desktop recorded: backup sets made, refused and
// restored in folders of the test's own.
#include "poweruser/core/poweruser.h"

#include "platform/testing/filesizelimit.h"
#include "platform/testing/recorders.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace platform::testing;
using poweruser::PowerUser;

namespace {

// The folder list as the window has it: pointing it at another folder reports the
// change back to the logic.
class ListLikeView : public poweruser::PowerUserView {
public:
    void showFolder(const QString &folder) override
    {
        shown.append(folder);
        const QString clean = QDir::cleanPath(folder);
        if (clean == current)
            return;
        current = clean;
        if (logic)
            logic->folderChanged(clean);
    }
    void setStatusText(const QString &text) override { status = text; }

    PowerUser *logic = nullptr;
    QString current;
    QStringList shown;
    QString status = "initial";
};

// Dialogs whose input box lets the test act while it is open.
class HookedDialogs : public ScriptedDialogs {
public:
    bool inputBox(const QString &title, const QString &prompt, QString *answer,
                  const QString &initial = QString()) override
    {
        if (whileAsking)
            whileAsking();
        return ScriptedDialogs::inputBox(title, prompt, answer, initial);
    }
    std::function<void()> whileAsking;
};

const QDateTime kNow(QDate(2024, 5, 3), QTime(14, 15, 7));

class PowerUserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        QDir(m_root.path()).mkpath("inst/backup");
        write("style.swf", "style A");
        write("background.swf", "background A");
        write("data.txt", "\xC2\xAC" "a\xC2\xAC" "texts A\r\n");
        write("playlist.txt", "A.odp\r\n");
        m_logic = std::make_unique<PowerUser>(inst(), PowerUser::Services{m_launcher, m_dialogs, [] { return kNow; }},
                                              m_view);
        m_view.logic = m_logic.get();
        m_logic->start();
    }

    QString inst() const { return m_root.path() + "/inst"; }
    QString backup() const { return inst() + "/backup"; }

    void write(const QString &relative, const QByteArray &bytes)
    {
        const QString path = inst() + "/" + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    QByteArray read(const QString &relative) const
    {
        QFile file(inst() + "/" + relative);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    // Every entry under the temporary root, hidden ones too, as relative paths.
    QStringList everything() const
    {
        QStringList found;
        QDirIterator it(m_root.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            found << QDir(m_root.path()).relativeFilePath(it.next());
        found.sort();
        return found;
    }

    void backUp(const QString &comment)
    {
        m_dialogs.answerInput(comment);
        m_logic->saveCurrentSettings();
    }

    void makeSet(const QString &name, const QByteArray &tag, const QStringList &without = {})
    {
        for (const QString &file : PowerUser::setFiles()) {
            if (!without.contains(file))
                write("backup/" + name + "/" + file, file.toUtf8() + " " + tag);
        }
    }

    QStringList messageTexts() const
    {
        QStringList texts;
        for (const auto &m : m_dialogs.messages) {
            EXPECT_EQ(m.title, "TS PowerUser");
            texts << m.text;
        }
        return texts;
    }

    QTemporaryDir m_root;
    RecordingLauncher m_launcher;
    HookedDialogs m_dialogs;
    ListLikeView m_view;
    std::unique_ptr<PowerUser> m_logic;
};

}  // namespace

TEST_F(PowerUserTest, StartShowsTheBackupFolderAndTheStateIsEmpty)
{
    EXPECT_EQ(m_view.current, backup());
    EXPECT_EQ(m_logic->state(), "");
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
}

TEST_F(PowerUserTest, BackupCopiesTheFourFilesIntoTheSetAndStampsTheStatus)
{
    backUp("before the fair");
    ASSERT_EQ(m_dialogs.inputs.size(), 1);
    EXPECT_EQ(m_dialogs.inputs[0].title, "TS PowerUser");
    EXPECT_EQ(m_dialogs.inputs[0].prompt, "add a comment to your backup");
    EXPECT_EQ(m_dialogs.inputs[0].initial, "");
    for (const QString &file : PowerUser::setFiles())
        EXPECT_EQ(read("backup/before the fair/" + file), read(file)) << file.toStdString();
    // Date and time, then the words with no space between.
    EXPECT_EQ(m_view.status, QLocale::system().toString(kNow, QLocale::ShortFormat) + "backup completed");
    EXPECT_FALSE(m_view.status.contains(" backup completed"));
    EXPECT_EQ(m_logic->state(), "normal");
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
    EXPECT_EQ(m_view.current, backup());
    // Making the set restored nothing over the installation.
    EXPECT_EQ(read("style.swf"), "style A");
}

TEST_F(PowerUserTest, SameCommentTwiceLeavesOneSetWithTheLaterFiles)
{
    backUp("evening");
    write("style.swf", "style B");
    write("playlist.txt", "B.odp\r\n");
    backUp("evening");
    EXPECT_EQ(QDir(backup()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"evening"});
    EXPECT_EQ(read("backup/evening/style.swf"), "style B");
    EXPECT_EQ(read("backup/evening/playlist.txt"), "B.odp\r\n");
    EXPECT_EQ(read("backup/evening/background.swf"), "background A");
}

TEST_F(PowerUserTest, CommentsThatWouldLeaveTheSetFolderAreRefusedAndMakeNoSet)
{
    const QStringList before = everything();
    const QList<QPair<QString, QString>> refused = {
        {"", "cannot be empty"},       {"   ", "cannot be empty"},   {".", "cannot be \".\" or \"..\""},
        {"..", "cannot be \".\" or \"..\""}, {"a/b", "cannot hold \"/\""}, {"../../x", "cannot hold \"/\""},
        {"/tmp", "cannot hold \"/\""},
    };
    for (const auto &[comment, rule] : refused) {
        m_dialogs.messages.clear();
        backUp(comment);
        ASSERT_EQ(m_dialogs.messages.size(), 1) << comment.toStdString();
        EXPECT_TRUE(m_dialogs.messages[0].text.contains(rule)) << m_dialogs.messages[0].text.toStdString();
        EXPECT_TRUE(m_dialogs.messages[0].text.contains("No backup was made"));
        EXPECT_EQ(m_logic->state(), "normal");
    }
    // Cancel makes no set either, and says nothing.
    m_dialogs.messages.clear();
    m_dialogs.cancelInput();
    m_logic->saveCurrentSettings();
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
    EXPECT_EQ(m_logic->state(), "normal");

    EXPECT_EQ(everything(), before);
    EXPECT_EQ(m_view.status, "initial");
    // A dotted name that is a folder of its own is fine.
    backUp("...");
    EXPECT_EQ(read("backup/.../data.txt"), read("data.txt"));
}

TEST_F(PowerUserTest, BackupOfAnInstallationLackingAFileMakesNoSet)
{
    QFile::remove(inst() + "/background.swf");
    backUp("incomplete");
    ASSERT_EQ(m_dialogs.messages.size(), 1);
    EXPECT_TRUE(m_dialogs.messages[0].text.contains("background.swf"));
    EXPECT_FALSE(QFileInfo::exists(backup() + "/incomplete"));
    EXPECT_EQ(m_view.status, "initial");
}

TEST_F(PowerUserTest, AFolderChangeWhileTheCommentIsAskedDoesNotRestore)
{
    makeSet("old", "old");
    m_dialogs.whileAsking = [this] {
        EXPECT_EQ(m_logic->state(), "backup");
        m_logic->folderChanged(backup() + "/old");
    };
    backUp("new");
    EXPECT_EQ(read("style.swf"), "style A");
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
    EXPECT_EQ(read("backup/new/style.swf"), "style A");
}

TEST_F(PowerUserTest, RestoreCopiesTheSetBackAndTheListReturnsToTheBackupFolder)
{
    makeSet("harbour", "harbour");
    m_view.showFolder(backup() + "/harbour");
    for (const QString &file : PowerUser::setFiles())
        EXPECT_EQ(read(file), file.toUtf8() + " harbour");
    EXPECT_EQ(messageTexts(), QStringList{"restore complete"});
    EXPECT_EQ(m_logic->state(), "normal");
    EXPECT_EQ(m_view.current, backup());
    // The set itself is left as it was.
    EXPECT_EQ(read("backup/harbour/data.txt"), "data.txt harbour");
}

TEST_F(PowerUserTest, ChoosingTheBackupFolderItselfRestoresNothing)
{
    makeSet("", "root");  // files in the backup folder's root
    m_logic->folderChanged(backup());
    m_logic->folderChanged(backup() + "/.");
    m_logic->folderChanged(backup() + "/harbour/..");
    EXPECT_EQ(read("style.swf"), "style A");
    EXPECT_TRUE(m_dialogs.messages.isEmpty());
}

TEST_F(PowerUserTest, AnIncompleteSetRestoresNothingAndNamesWhatIsMissing)
{
    makeSet("half", "half", {"data.txt"});
    m_view.showFolder(backup() + "/half");
    EXPECT_EQ(read("style.swf"), "style A");
    EXPECT_EQ(read("background.swf"), "background A");
    ASSERT_EQ(messageTexts().size(), 1);
    EXPECT_TRUE(messageTexts()[0].contains("has no data.txt")) << messageTexts()[0].toStdString();
    EXPECT_TRUE(messageTexts()[0].contains("Nothing was restored"));
    EXPECT_EQ(m_view.current, backup());

    m_dialogs.messages.clear();
    makeSet("bare", "bare", {"style.swf", "playlist.txt"});
    m_logic->folderChanged(backup() + "/bare");
    EXPECT_TRUE(messageTexts()[0].contains("has no style.swf and playlist.txt"));
    EXPECT_EQ(read("data.txt"), "\xC2\xAC" "a\xC2\xAC" "texts A\r\n");
}

TEST_F(PowerUserTest, TheInstallationFolderItselfIsRefused)
{
    for (const QString &folder : {inst(), backup() + "/.."}) {
        m_dialogs.messages.clear();
        m_logic->folderChanged(folder);
        ASSERT_EQ(messageTexts().size(), 1);
        EXPECT_TRUE(messageTexts()[0].contains("installation folder itself"));
        EXPECT_TRUE(messageTexts()[0].contains("Nothing was restored"));
    }
    EXPECT_EQ(read("style.swf"), "style A");
    EXPECT_EQ(m_view.current, backup());
}

// A file-size limit makes the copy of the large data.txt fail after a few bytes.
static bool withFileSizeLimit(const std::function<void()> &work)
{
    platform::testing::FileSizeLimit limit(4096);
    if (!limit.active())
        return false;
    work();
    return true;
}

TEST_F(PowerUserTest, ARestoreFailingMidwayNamesTheFileAndLeavesItWhole)
{
    makeSet("big", "big");
    write("backup/big/data.txt", QByteArray(200000, 'd'));
    const QStringList before = everything();
    ASSERT_TRUE(withFileSizeLimit([this] { m_logic->folderChanged(backup() + "/big"); }));
    ASSERT_EQ(messageTexts().size(), 1);
    const QString text = messageTexts()[0];
    EXPECT_TRUE(text.startsWith("data.txt could not be restored")) << text.toStdString();
    EXPECT_TRUE(text.contains("style.swf and background.swf were copied")) << text.toStdString();
    EXPECT_EQ(read("style.swf"), "style.swf big");
    EXPECT_EQ(read("data.txt"), "\xC2\xAC" "a\xC2\xAC" "texts A\r\n");
    EXPECT_EQ(read("playlist.txt"), "A.odp\r\n");
    EXPECT_EQ(everything(), before);  // no temporary file left behind
}

TEST_F(PowerUserTest, ABackupFailingMidwayKeepsTheEarlierSetsFileWholeAndNoCompletion)
{
    backUp("weekly");
    write("data.txt", QByteArray(200000, 'd'));
    m_view.status = "initial";
    ASSERT_TRUE(withFileSizeLimit([this] { backUp("weekly"); }));
    ASSERT_EQ(messageTexts().size(), 1);
    EXPECT_TRUE(messageTexts()[0].startsWith("data.txt could not be copied into the backup set"));
    EXPECT_EQ(read("backup/weekly/data.txt"), "\xC2\xAC" "a\xC2\xAC" "texts A\r\n");
    EXPECT_EQ(m_view.status, "initial");
    EXPECT_EQ(m_logic->state(), "normal");
}

TEST_F(PowerUserTest, ButtonsStartTheShellAndOpenThePresentationFolder)
{
    m_logic->startTessaly();
    ASSERT_EQ(m_launcher.processes.size(), 1);
    EXPECT_EQ(m_launcher.processes[0].commandLine, "ts.exe");
    EXPECT_EQ(m_launcher.processes[0].workingFolder, "");
    EXPECT_EQ(m_launcher.processes[0].state, platform::WindowState::Maximised);
    EXPECT_TRUE(m_dialogs.messages.isEmpty());

    m_logic->openPowerpointFolder();
    ASSERT_EQ(m_launcher.targets.size(), 1);
    EXPECT_EQ(m_launcher.targets[0].target, inst() + "/powerpoint.files");

    // A shell that cannot be started is told.
    m_launcher.result = false;
    m_logic->startTessaly();
    ASSERT_EQ(messageTexts().size(), 1);
    EXPECT_TRUE(messageTexts()[0].contains("TS"));
}

TEST(PowerUserHeight, TogglesBetweenUnfoldedAndFolded)
{
    EXPECT_EQ(PowerUser::toggledHeight(8415), 1000);
    EXPECT_EQ(PowerUser::toggledHeight(1000), 8415);
    EXPECT_EQ(PowerUser::toggledHeight(5000), 8415);
}
