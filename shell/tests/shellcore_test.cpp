#include "shell/core/shellcore.h"

#include "shell/core/designchooser.h"
#include "shell/core/playlistfile.h"
#include "shell/core/playlistmodel.h"
#include "platform/testing/filesizelimit.h"
#include "platform/testing/recorders.h"
#include "testinstallation.h"

#include "platform/settingsfile.h"

#include <QDir>
#include <QFile>
#include <memory>

using platform::WindowState;
using namespace platform::testing;

namespace {

const QString sep = QString(QChar(0x00AC));
const QString cr = QString(QChar(13));

// A shell over a throw-away installation with every platform service recorded.
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override { inst.writeFile("style.swf", "import QtQuick\nItem {}\n"); }

    ShellCore &shell(Edition edition = Edition::Full)
    {
        if (!m_shell) {
            m_shell = std::make_unique<ShellCore>(inst.installation(edition), launcher, dialogs,
                                                  windows, movie);
            QObject::connect(m_shell.get(), &ShellCore::programEnded, [this] { ++ended; });
            QObject::connect(m_shell.get(), &ShellCore::noteShown,
                             [this](const QString &text) { notesShown << text; });
            QObject::connect(m_shell.get(), &ShellCore::flashMissing, [this] { ++flashMissing; });
        }
        return *m_shell;
    }

    ShellCore &started(Edition edition = Edition::Full, const QString &commandLine = QString())
    {
        ShellCore &s = shell(edition);
        s.startUp(commandLine);
        launcher.processes.clear();
        return s;
    }

    void viewer(const QByteArray &line, bool inWorkingFolder = false)
    {
        if (inWorkingFolder)
            inst.writeWorkFile("powerpoint_location.txt", line + "\r\n");
        else
            inst.writeFile("powerpoint_location.txt", line + "\r\n");
    }

    QString presentation(const QString &name) const { return inst.folder() + "/powerpoint.files/" + name; }
    QString played(const QString &name) const { return "viewer --show \"" + presentation(name) + "\""; }

    TestInstallation inst;
    RecordingLauncher launcher;
    ScriptedDialogs dialogs;
    FakeWindowServices windows;
    RecordingMoviePlayer movie;
    int ended = 0;
    int flashMissing = 0;
    QStringList notesShown;

private:
    std::unique_ptr<ShellCore> m_shell;
};

// A playlist of named presentations that all exist, with a viewer installed.
class PlaybackTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        QStringList entries;
        for (int i = 0; i < 19; ++i)
            entries << QString("p%1.odp").arg(i);
        inst.writePlaylist(entries);
        inst.addPresentations(entries);
        viewer("viewer --show");
    }
};

}  // namespace

// --- start-up ---------------------------------------------------------------------

TEST_F(ShellTest, StartUpFillsTheSelectorWithTheNonEmptySlots)
{
    inst.writePlaylist(slotsOf({"first.odp", "", "third.odp", "-choose one-"}));
    ShellCore &s = shell();
    s.startUp(QString());
    EXPECT_EQ(s.selectorItems(), QStringList({"first.odp", "third.odp", "-choose one-"}));
    EXPECT_EQ(s.selectorText(), "first.odp");
    EXPECT_EQ(s.currentSlide(), 0);
    EXPECT_EQ(s.currentfile(), "first.odp");
    EXPECT_EQ(s.menu().menuState(), "open");
    EXPECT_EQ(s.menu().limit(), 950);
    EXPECT_EQ(movie.calls, QStringList({"Movie " + inst.folder() + "/style.swf"}));
    EXPECT_TRUE(launcher.processes.isEmpty());
    EXPECT_EQ(s.caption(), "Korvane Tessaly");
}

TEST_F(ShellTest, EmptyOrMissingPlaylistGivesAnEmptySelectorAndLabel)
{
    for (bool missing : {false, true}) {
        TestInstallation fresh;
        if (!missing)
            fresh.writePlaylist(slotsOf({}));
        ShellCore s(fresh.installation(), launcher, dialogs, windows, movie);
        s.startUp(QString());
        EXPECT_TRUE(s.selectorItems().isEmpty()) << "missing " << missing;
        EXPECT_EQ(s.selectorText(), "");
        EXPECT_EQ(s.currentfile(), "");
    }
}

TEST_F(ShellTest, OnlyThePlaylistsNineteenLinesAreReadAndATooLargeOneIsToldOnce)
{
    // Whatever follows the 19 lines is never read, however large.
    QByteArray bytes = "first.odp\r\n" + QByteArray("\r\n").repeated(18);
    inst.writeFile("playlist.txt", bytes + QByteArray(platform::settingsFileLimit * 2, 'x'));
    ShellCore &s = started();
    EXPECT_EQ(s.selectorItems(), QStringList{"first.odp"});
    EXPECT_EQ(s.currentfile(), "first.odp");
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // Nineteen lines that need more than a settings file may hold: empty slots, told
    // once though the selector and the editor each read the file.
    const QString path = inst.folder() + "/playlist.txt";
    for (Edition edition : {Edition::Full, Edition::Player}) {
        inst.writeFile("playlist.txt", "first.odp\r\n" + QByteArray(platform::settingsFileLimit, 'x'));
        ScriptedDialogs boxes;
        ShellCore fresh(inst.installation(edition), launcher, boxes, windows, movie);
        fresh.startUp(QString());
        fresh.editPlaylist();
        EXPECT_TRUE(fresh.selectorItems().isEmpty());
        EXPECT_EQ(fresh.currentfile(), "");
        EXPECT_EQ(fresh.playlist()->slotTexts(), slotsOf({}));
        ASSERT_EQ(boxes.messages.size(), 1);
        EXPECT_EQ(boxes.messages[0].text, platform::settingsFileTooLargeText(path));
    }
}

TEST_F(ShellTest, OnlyTheExactWordPlayerSwitchesOnPlayerMode)
{
    struct Case {
        QString commandLine;
        bool playerMode;
    };
    for (const Case &c : {Case{"player", true}, Case{"Player", false}, Case{"PLAYER", false},
                          Case{"player x", false}, Case{" player", false}, Case{"", false}}) {
        ShellCore s(inst.installation(), launcher, dialogs, windows, movie);
        s.startUp(c.commandLine);
        EXPECT_EQ(s.playerMode(), c.playerMode) << c.commandLine.toStdString();
        EXPECT_EQ(s.caption(), c.playerMode ? "Korvane Tessaly player" : "Korvane Tessaly");
    }
}

TEST_F(ShellTest, MissingStyleMovieShowsANoteAndLoadsNothing)
{
    QFile::remove(inst.folder() + "/style.swf");
    shell().startUp(QString());
    EXPECT_TRUE(movie.calls.isEmpty());
    ASSERT_EQ(launcher.processes.size(), 1);
    EXPECT_EQ(launcher.processes[0].commandLine,
              "splash.exe note: " + inst.folder() + "/style.swf cannot be found");
    EXPECT_EQ(launcher.processes[0].state, WindowState::Normal);
    EXPECT_TRUE(notesShown.isEmpty());
}

TEST_F(ShellTest, NoteIsShownByTheShellWhenNoNoteProgramStarts)
{
    launcher.result = false;
    QFile::remove(inst.folder() + "/style.swf");
    shell().startUp(QString());
    EXPECT_EQ(notesShown, QStringList({inst.folder() + "/style.swf cannot be found"}));
}

TEST_F(ShellTest, FlashCheckShrinksTheControlOnlyWhenNothingIsLoaded)
{
    ShellCore &s = started();
    s.checkflashversion();
    EXPECT_EQ(flashMissing, 0);
    movie.percentLoaded = 0;
    s.checkflashversion();
    s.checkflashversion();
    EXPECT_EQ(flashMissing, 2);  // the check never stops
}

TEST_F(ShellTest, InstallFlashWarnsStartsTheInstallerMaximisedAndEnds)
{
    ShellCore &s = started();
    s.installFlash();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].title, "Korvane Tessaly");
    EXPECT_TRUE(dialogs.messages[0].text.startsWith("Tessaly will now close. You will then be asked"));
    ASSERT_EQ(launcher.processes.size(), 1);
    EXPECT_EQ(launcher.processes[0].commandLine,
              "\"" + inst.work() + "/flash/Install Flash Player 7 AX\"");
    EXPECT_EQ(launcher.processes[0].state, WindowState::Maximised);
    EXPECT_EQ(ended, 1);
}

// --- playback ---------------------------------------------------------------------

TEST_F(PlaybackTest, NextPlaysTheCurrentSlotAndAdvances)
{
    ShellCore &s = started();
    s.load_next_slide();
    EXPECT_EQ(launcher.commandLines(), QStringList({played("p0.odp")}));
    EXPECT_EQ(launcher.processes[0].state, WindowState::Normal);
    EXPECT_EQ(s.currentSlide(), 1);
    EXPECT_EQ(s.currentfile(), "p1.odp");
    EXPECT_EQ(s.selectorText(), "p1.odp");
}

TEST_F(PlaybackTest, NextAtTheLastSlotReplaysItAndStays)
{
    ShellCore &s = started();
    for (int i = 0; i < 18; ++i)
        s.load_next_slide();
    EXPECT_EQ(s.currentSlide(), 18);
    launcher.processes.clear();
    s.load_next_slide();
    s.load_next_slide();
    EXPECT_EQ(launcher.commandLines(), QStringList({played("p18.odp"), played("p18.odp")}));
    EXPECT_EQ(s.currentSlide(), 18);
    s.load_previous_slide();
    EXPECT_EQ(launcher.commandLines().last(), played("p18.odp"));
    EXPECT_EQ(s.currentSlide(), 18);
}

TEST_F(PlaybackTest, PreviousAtTheFirstSlotDoesNothing)
{
    ShellCore &s = started();
    s.load_previous_slide();
    EXPECT_TRUE(launcher.processes.isEmpty());
    EXPECT_EQ(s.currentSlide(), 0);
}

TEST_F(PlaybackTest, FirstNextPreviousReplaysTheLastPlayedAndKeepsThePointer)
{
    ShellCore &s = started();
    s.load_next_slide();
    s.load_next_slide();
    s.load_next_slide();
    launcher.processes.clear();
    s.load_first_slide();
    s.load_next_slide();
    s.load_previous_slide();
    EXPECT_EQ(launcher.commandLines(),
              QStringList({played("p0.odp"), played("p1.odp"), played("p1.odp")}));
    EXPECT_EQ(s.currentSlide(), 2);
    EXPECT_EQ(s.currentfile(), "p2.odp");
}

TEST_F(PlaybackTest, OnlyTheViewerCommandsFirstLineIsReadAndATooLargeOneIsTold)
{
    viewer("viewer --show\r\n" + QByteArray(platform::settingsFileLimit * 2, 'x'));
    ShellCore &s = started();
    s.load_next_slide();
    EXPECT_EQ(launcher.processes.size(), 1);
    EXPECT_TRUE(dialogs.messages.isEmpty());

    viewer(QByteArray(platform::settingsFileLimit + 1, 'v'));
    s.load_next_slide();
    s.load_next_slide();
    EXPECT_EQ(launcher.processes.size(), 1);
    EXPECT_EQ(s.currentSlide(), 3);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text,
              platform::settingsFileTooLargeText(inst.folder() + "/powerpoint_location.txt"));
}

TEST_F(PlaybackTest, TrailingMinusQuoteGivesTheUnquotedPath)
{
    viewer("viewer --show -\"");
    ShellCore &s = started();
    s.load_next_slide();
    EXPECT_EQ(launcher.commandLines(), QStringList({"viewer --show " + presentation("p0.odp")}));
}

TEST_F(ShellTest, EmptyAndMissingSlotsPlayNothingButNextStillAdvances)
{
    inst.writePlaylist(slotsOf({"", "not-there.odp", "-choose one-", "here.odp"}));
    inst.addPresentations({"here.odp"});
    viewer("viewer --show");
    ShellCore &s = started();
    s.load_next_slide();
    s.load_next_slide();
    s.load_next_slide();
    EXPECT_TRUE(launcher.processes.isEmpty());
    EXPECT_EQ(s.currentSlide(), 3);
    s.load_next_slide();
    EXPECT_EQ(launcher.commandLines(), QStringList({played("here.odp")}));
}

TEST_F(ShellTest, AFolderInASlotIsNotAPresentation)
{
    QDir(inst.folder()).mkpath("powerpoint.files/folder.odp");
    inst.writePlaylist(slotsOf({"folder.odp"}));
    viewer("viewer --show");
    started().load_next_slide();
    EXPECT_TRUE(launcher.processes.isEmpty());
}

TEST_F(PlaybackTest, MissingOrEmptyViewerCommandPlaysNothing)
{
    QFile::remove(inst.folder() + "/powerpoint_location.txt");
    ShellCore &s = started();
    s.load_next_slide();
    inst.writeFile("powerpoint_location.txt", "");
    s.load_next_slide();
    inst.writeFile("powerpoint_location.txt", "\r\nviewer --show\r\n");  // an empty first line
    s.load_next_slide();
    EXPECT_TRUE(launcher.processes.isEmpty());
    EXPECT_EQ(s.currentSlide(), 3);
}

TEST_F(PlaybackTest, EditsInThePlaylistEditorPlayWithoutASave)
{
    inst.addPresentations({"late.odp"});
    ShellCore &s = started();
    s.playlist()->setSlotText(0, "late.odp");
    s.load_next_slide();
    EXPECT_EQ(launcher.commandLines(), QStringList({played("late.odp")}));
}

TEST_F(ShellTest, SelectorChoicePlaysTheChosenFileEvenWithGapsBeforeIt)
{
    inst.writePlaylist(slotsOf({"zero.odp", "", "", "", "", "five.odp", "six.odp"}));
    inst.addPresentations({"zero.odp", "five.odp", "six.odp"});
    viewer("viewer --show");
    ShellCore &s = started();
    ASSERT_EQ(s.selectorItems(), QStringList({"zero.odp", "five.odp", "six.odp"}));
    s.selectorChosen(1);
    EXPECT_EQ(launcher.commandLines(), QStringList({played("five.odp")}));
    EXPECT_EQ(s.currentSlide(), 6);
    EXPECT_EQ(s.currentfile(), "six.odp");
    EXPECT_EQ(s.selectorText(), "six.odp");
}

TEST_F(PlaybackTest, PlayerBuildPlaysFromTheInstallationFolderWithTheWorkingFolderViewer)
{
    inst.writeFile("p0.odp", "presentation in the installation folder");
    viewer("other --show", true);
    ShellCore &s = started(Edition::Player);
    EXPECT_TRUE(s.selectorItems().isEmpty());
    EXPECT_EQ(s.selectorText(), "");
    EXPECT_EQ(s.currentfile(), "p0.odp");
    s.load_next_slide();
    s.load_next_slide();  // p1.odp lies only in powerpoint.files: nothing plays
    EXPECT_EQ(launcher.commandLines(), QStringList({"other --show \"" + inst.folder() + "/p0.odp\""}));
    EXPECT_EQ(s.currentfile(), "p2.odp");
    EXPECT_EQ(s.selectorText(), "");
}

// --- the movie's commands -----------------------------------------------------------

TEST_F(PlaybackTest, EveryMovieCommandIsAcceptedInAnyCase)
{
    for (const bool upper : {false, true}) {
        const auto cmd = [upper](const char *name) {
            return upper ? QString(name).toUpper() : QString(name);
        };
        TestInstallation fresh;
        fresh.writePlaylist(slotsOf({"a.odp", "b.odp"}));
        fresh.addPresentations({"a.odp", "b.odp"});
        fresh.writeFile("powerpoint_location.txt", "viewer\r\n");
        fresh.writeFile("data.txt", (sep + "a" + sep + "loaded").toUtf8());
        RecordingLauncher rec;
        ScriptedDialogs boxes;
        RecordingMoviePlayer film;
        ShellCore s(fresh.installation(), rec, boxes, windows, film);
        int endedHere = 0;
        int chooser = 0;
        QObject::connect(&s, &ShellCore::programEnded, [&] { ++endedHere; });
        QObject::connect(&s, &ShellCore::designChooserRequested, [&](bool reload) {
            ++chooser;
            EXPECT_FALSE(reload);
        });
        s.startUp(QString());
        rec.processes.clear();

        s.FSCommand(cmd("korvane_next_slide"), "ignored");
        EXPECT_EQ(s.currentSlide(), 1);
        s.FSCommand(cmd("korvane_previous_slide"), QString());
        EXPECT_EQ(rec.processes.size(), 2);
        EXPECT_EQ(s.currentSlide(), 1);

        s.FSCommand(cmd("load"), QString());
        EXPECT_EQ(film.variables.value("a"), "loaded");

        film.variables.insert("b", "typed");
        s.FSCommand(cmd("save"), QString());
        EXPECT_TRUE(fresh.readWorkFile("data.txt").contains("typed"));
        EXPECT_EQ(boxes.messages.size(), 1);

        s.FSCommand(cmd("config"), QString());
        EXPECT_EQ(chooser, 1);

        s.FSCommand(cmd("p1"), QString());
        s.FSCommand(cmd("quitter"), QString());
        EXPECT_EQ(endedHere, 0);

        s.FSCommand(cmd("restart"), QString());
        EXPECT_EQ(endedHere, 1);
        EXPECT_EQ(rec.commandLines().last(), "ts.exe");

        s.FSCommand(cmd("quit"), QString());
        EXPECT_EQ(endedHere, 2);
        EXPECT_EQ(film.calls.mid(film.calls.size() - 2), QStringList({"StopPlay", "Movie "}));
    }
}

TEST_F(ShellTest, MixedCaseCommandsMatchToo)
{
    ShellCore &s = started();
    s.FSCommand("Korvane_Next_Slide", QString());
    EXPECT_EQ(s.currentSlide(), 1);
}

// --- quit and restart ------------------------------------------------------------------

TEST_F(ShellTest, QuitClosesTheTvViewerWindowsWhenOneIsTitledExactly)
{
    const auto exact = windows.addWindow("WinTV32");
    const auto longer = windows.addWindow("WinTV32 - channel 4");
    const auto inside = windows.addWindow("my WinTV32 remote");
    windows.addWindow("wintv32 lower case");
    windows.addWindow("Notes");
    windows.addWindow(QString(250, 'x') + "WinTV32");  // beyond the 255 characters read
    ShellCore &s = started();
    s.end_program();
    EXPECT_EQ(movie.calls.mid(1), QStringList({"StopPlay", "Movie "}));
    EXPECT_EQ(windows.closeRequests, QList<platform::WindowId>({exact, longer, inside}));
    EXPECT_EQ(ended, 1);
}

TEST_F(ShellTest, QuitClosesNothingWithoutAWindowTitledExactlyWinTV32)
{
    windows.addWindow("WinTV32 - channel 4");
    windows.addWindow("WinTV32 ");
    ShellCore &s = started();
    s.end_program();
    EXPECT_TRUE(windows.closeRequests.isEmpty());
    EXPECT_EQ(ended, 1);
}

TEST_F(ShellTest, RestartStopsClosesStartsTheShellAndEnds)
{
    const auto exact = windows.addWindow("WinTV32");
    ShellCore &s = started();
    s.restart();
    EXPECT_EQ(movie.calls.mid(1), QStringList({"StopPlay", "Movie "}));
    EXPECT_EQ(windows.closeRequests, QList<platform::WindowId>({exact}));
    ASSERT_EQ(launcher.processes.size(), 1);
    EXPECT_EQ(launcher.processes[0].commandLine, "ts.exe");
    EXPECT_EQ(launcher.processes[0].state, WindowState::Normal);
    EXPECT_EQ(ended, 1);
}

TEST_F(ShellTest, ExitButtonsEndAtOnce)
{
    windows.addWindow("WinTV32");
    ShellCore &s = started();
    s.exitNow();
    EXPECT_EQ(movie.calls.size(), 1);  // only the style movie of start-up
    EXPECT_TRUE(windows.closeRequests.isEmpty());
    EXPECT_EQ(ended, 1);
}

// --- home-page texts -----------------------------------------------------------------------

TEST_F(ShellTest, SaveWritesTwentyFiveBlocksToTheWorkingFolderAndConfirms)
{
    movie.variables.insert("a", "Welcome" + cr + "to the show");
    movie.variables.insert("c", sep + "starts with the separator");
    movie.variables.insert("z", "not saved");
    ShellCore &s = started();
    ASSERT_TRUE(s.save_text());
    const QString written = QString::fromUtf8(inst.readWorkFile("data.txt"));
    QStringList expected = {sep + "a" + sep + "Welcome", "to the show", sep + "b" + sep + " ",
                            sep + "c" + sep + sep + "starts with the separator"};
    for (char c = 'd'; c <= 'y'; ++c)
        expected << sep + QChar(c) + sep + " ";
    EXPECT_EQ(written, expected.join("\r\n") + "\r\n");
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, "data has been saved");
    EXPECT_EQ(dialogs.messages[0].title, "Korvane Tessaly");
    EXPECT_TRUE(inst.readFile("data.txt").isEmpty());  // written in the working folder
}

TEST_F(ShellTest, SaveThenLoadKeepsEveryTextButEmptyOnesBecomeABlank)
{
    movie.variables.insert("a", "line one" + cr + "line two" + cr + "line three");
    movie.variables.insert("b", "");
    movie.variables.insert("d", "one" + cr + cr + "three");
    movie.variables.insert("e", cr + "after an empty first line");
    movie.variables.insert("y", "last");
    ShellCore &s = started(Edition::Player);  // reads and writes the working folder
    ASSERT_TRUE(s.save_text());
    const auto before = movie.variables;
    movie.variables.clear();
    movie.setVariableCalls.clear();
    s.load_Text();
    EXPECT_EQ(movie.setVariableCalls.size(), 25);
    EXPECT_EQ(movie.variables.value("a"), before.value("a"));
    EXPECT_EQ(movie.variables.value("b"), " ");
    EXPECT_EQ(movie.variables.value("c"), " ");
    EXPECT_EQ(movie.variables.value("d"), "one" + cr + cr + "three");
    EXPECT_EQ(movie.variables.value("e"), cr + "after an empty first line");
    EXPECT_EQ(movie.variables.value("y"), "last");
}

TEST_F(ShellTest, LoadReadsTheInstallationFolderInTheFullBuild)
{
    inst.writeFile("data.txt", (sep + "a" + sep + "from the installation\r\n" + sep + "b" + sep +
                                "two\r\nlines\r\n" + sep + "c" + sep + "x\r\n" + sep + "d" + sep + "new header")
                                   .toUtf8());
    inst.writeWorkFile("data.txt", (sep + "a" + sep + "from the working folder").toUtf8());
    ShellCore &s = started();
    s.load_Text();
    EXPECT_EQ(movie.variables.value("a"), "from the installation");
    EXPECT_EQ(movie.variables.value("b"), "two" + cr + "lines");
    EXPECT_EQ(movie.variables.value("c"), "x");
    EXPECT_EQ(movie.variables.value("d"), "new header");
}

TEST_F(ShellTest, LoadReadsWindowsTextsWrittenInTheOldCodePage)
{
    inst.writeFile("data.txt", QByteArray("\xac" "a" "\xac" "caf\xe9\r\n"));
    ShellCore &s = started();
    s.load_Text();
    EXPECT_EQ(movie.variables.value("a"), "caf\u00e9");
}

TEST_F(ShellTest, OneWindowsLineInAUtf8DataFileLeavesEveryOtherTextReadable)
{
    // Saved here in UTF-8, then one line typed on the original platform.
    inst.writeFile("data.txt", QByteArray("\xC2\xAC" "a\xC2\xAC" "Caf\xC3\xA9\r\n"
                                          "men\xFA" "\r\n"
                                          "\xC2\xAC" "b\xC2\xAC" "d\xC3\xAD" "a\r\n"));
    ShellCore &s = started();
    s.load_Text();
    EXPECT_EQ(movie.variables.value("a"), "Caf\u00e9" + cr + "men\u00fa");
    EXPECT_EQ(movie.variables.value("b"), "d\u00eda");
    EXPECT_EQ(movie.setVariableCalls.size(), 2);
}

TEST_F(ShellTest, ATooLargeDataFileLoadsNothingAndIsToldOnce)
{
    movie.variables.insert("a", "keep me");
    inst.writeFile("data.txt", (sep + "a" + sep).toUtf8() +
                                   QByteArray(platform::settingsFileLimit, 'x'));
    ShellCore &s = started(Edition::Full, "player");
    s.load_Text();
    s.load_Text();  // the player's reload, 20 seconds later
    EXPECT_TRUE(movie.setVariableCalls.isEmpty());
    EXPECT_EQ(movie.variables.value("a"), "keep me");
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text,
              platform::settingsFileTooLargeText(inst.folder() + "/data.txt"));
    EXPECT_TRUE(dialogs.messages[0].text.contains("data.txt is larger than a settings file"));
}

TEST_F(ShellTest, SaveKeepsADataFileWhoseTextsCouldNotBeReadBesideTheNewOne)
{
    movie.variables.insert("a", "new text");
    const QString keptPath = inst.work() + "/data.txt.bak";
    // Lines before any header (a file that is no data.txt, or one damaged by an
    // editor), and a file too large to read: the texts in them are not lost.
    const QByteArray damaged("Welcome to the show\r\n\xC2\xAC" "b\xC2\xAC" "kept\r\n");
    const QByteArray huge = QByteArray(platform::settingsFileLimit + 1, 'x');
    for (const QByteArray &old : {damaged, huge}) {
        QFile::remove(keptPath);
        dialogs.messages.clear();
        inst.writeWorkFile("data.txt", old);
        ShellCore &s = started();
        ASSERT_TRUE(s.save_text());
        EXPECT_EQ(TestInstallation::readAt(keptPath), old);
        EXPECT_TRUE(inst.readWorkFile("data.txt").startsWith("\xC2\xAC" "a\xC2\xAC" "new text\r\n"));
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_TRUE(dialogs.messages[0].text.startsWith("data has been saved\n\n"));
        EXPECT_TRUE(dialogs.messages[0].text.contains(keptPath)) << dialogs.messages[0].text.toStdString();
    }

    // A data.txt that reads whole, or none at all, is simply replaced.
    QFile::remove(keptPath);
    dialogs.messages.clear();
    ShellCore &s = shell();
    ASSERT_TRUE(s.save_text());  // over the file just saved
    QFile::remove(inst.work() + "/data.txt");
    ASSERT_TRUE(s.save_text());
    EXPECT_FALSE(QFile::exists(keptPath));
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[0].text, "data has been saved");
    EXPECT_EQ(dialogs.messages[1].text, "data has been saved");
}

TEST_F(ShellTest, ADataFileThatCannotBeKeptIsNotWrittenOver)
{
    movie.variables.insert("a", "new text");
    const QByteArray old = "no header\r\n" + QByteArray(platform::settingsFileLimit, 'x');
    inst.writeWorkFile("data.txt", old);
    ShellCore &s = started();

    // The copy to data.txt.bak fails halfway (a file-size limit below the file's).
    bool written = true;
    {
        const FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.active());
        written = s.save_text();
    }

    EXPECT_FALSE(written);
    EXPECT_EQ(inst.readWorkFile("data.txt"), old);
    EXPECT_EQ(QDir(inst.work()).entryList(QDir::Files | QDir::Hidden), QStringList{"data.txt"});
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.contains("not been saved"));
    EXPECT_TRUE(dialogs.messages[0].text.contains(inst.work() + "/data.txt.bak"));
}

TEST_F(ShellTest, MissingOrEmptyDataFileChangesNoVariable)
{
    movie.variables.insert("a", "keep me");
    ShellCore &s = started();
    s.load_Text();
    inst.writeFile("data.txt", "");
    s.load_Text();
    EXPECT_TRUE(movie.setVariableCalls.isEmpty());
    EXPECT_EQ(movie.variables.value("a"), "keep me");
}

TEST_F(ShellTest, SaveThatCannotWriteSaysSoAndKeepsTheOldFile)
{
    QDir(inst.work()).mkpath("data.txt");  // a folder where the file should go
    ShellCore &s = started();
    EXPECT_FALSE(s.save_text());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_NE(dialogs.messages[0].text, "data has been saved");
    EXPECT_TRUE(dialogs.messages[0].text.contains("not been saved"));
}

TEST_F(ShellTest, SaveTextButtonSavesThePlaylistFirst)
{
    inst.writeFile("playlist.txt", "short.odp\r\n");
    ShellCore &s = started();
    s.playlist()->setSlotText(2, "edited.odp");
    s.saveTextButton();
    EXPECT_EQ(inst.readFile("playlist.txt"),
              "short.odp\r\n\r\nedited.odp\r\n" + QByteArray("\r\n").repeated(16));
    EXPECT_FALSE(inst.readWorkFile("data.txt").isEmpty());
    EXPECT_EQ(dialogs.messages.size(), 1);
}

TEST_F(ShellTest, EditTextOnlyInstructs)
{
    ShellCore &s = started();
    s.editTextButton();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text,
              "select text on the home page and type over, when finished, click the save button");
    EXPECT_TRUE(movie.setVariableCalls.isEmpty());
}

// --- playlist editor from the shell ----------------------------------------------------------

TEST_F(ShellTest, EditPlaylistReloadsInTheFullBuildOnly)
{
    for (Edition edition : {Edition::Full, Edition::Player}) {
        TestInstallation fresh;
        fresh.writePlaylist(slotsOf({"old.odp"}));
        ShellCore s(fresh.installation(edition), launcher, dialogs, windows, movie);
        int shown = 0;
        QObject::connect(&s, &ShellCore::playlistEditorRequested, [&] { ++shown; });
        s.startUp(QString());
        fresh.writePlaylist(slotsOf({"new.odp"}));
        fresh.addPresentations({"added.odp"});
        s.editPlaylist();
        EXPECT_EQ(shown, 1);
        const bool full = edition == Edition::Full;
        EXPECT_EQ(s.playlist()->slotText(0), full ? "new.odp" : "old.odp");
        EXPECT_EQ(s.playlist()->listItems().contains("added.odp"), full);
    }
}

TEST_F(ShellTest, EditorOkSavesAndRefreshesTheSelectorInTheFullBuild)
{
    for (Edition edition : {Edition::Full, Edition::Player}) {
        TestInstallation fresh;
        fresh.writePlaylist(slotsOf({"one.odp"}));
        ShellCore s(fresh.installation(edition), launcher, dialogs, windows, movie);
        s.startUp(QString());
        s.playlist()->setSlotText(4, "five.odp");
        s.playlistEditorOk();
        EXPECT_EQ(PlaylistFile::read(fresh.folder() + "/playlist.txt")[4], "five.odp");
        if (edition == Edition::Full)
            EXPECT_EQ(s.selectorItems(), QStringList({"one.odp", "five.odp"}));
        else
            EXPECT_TRUE(s.selectorItems().isEmpty());
    }
}

TEST_F(ShellTest, ClosingTheEditorSavesAndTheNextUseReadsTheFileAgain)
{
    inst.writePlaylist(slotsOf({"one.odp"}));
    ShellCore &s = started();
    s.playlist()->setSlotText(1, "two.odp");
    s.playlistEditorClosed();
    EXPECT_EQ(PlaylistFile::read(inst.folder() + "/playlist.txt")[1], "two.odp");
    inst.writePlaylist(slotsOf({"changed.odp"}));
    EXPECT_EQ(s.playlist()->slotText(0), "changed.odp");
}

// --- menu, notes and utility buttons ------------------------------------------------------------

TEST_F(ShellTest, HideMenuClosesTheMenuAndShowsItsNote)
{
    ShellCore &s = started();
    s.hideMenu();
    EXPECT_EQ(s.menu().menuState(), "closed");
    ASSERT_EQ(launcher.processes.size(), 1);
    EXPECT_EQ(launcher.processes[0].commandLine,
              "splash.exe note: move your mouse to the top of the screen to bring the menu back or "
              "press the esc key to bring the menu back. This message will close in 10 seconds.");
    launcher.result = false;
    s.hideMenu();
    EXPECT_EQ(notesShown, QStringList({ShellCore::hideMenuNote()}));
}

TEST_F(ShellTest, UtilityButtonsStartTheirPrograms)
{
    ShellCore &s = started();
    s.zandro();
    s.helpProgram();
    s.powerUser();
    EXPECT_EQ(launcher.commandLines(),
              QStringList({"zandro.exe", "\"" + inst.folder() + "/help\"", "TSPowerUser.exe"}));
    for (const auto &p : launcher.processes)
        EXPECT_EQ(p.state, WindowState::Normal);

    s.browsePresentations();
    s.browseForegrounds();
    s.browseBackgrounds();
    s.help();
    s.website();
    s.logoClicked();
    s.www();
    QStringList targets;
    for (const auto &t : launcher.targets)
        targets << t.target;
    EXPECT_EQ(targets, QStringList({inst.folder() + "/powerpoint.files", inst.folder() + "/styles",
                                    inst.folder() + "/backgrounds", inst.work() + "/help.htm",
                                    ShellCore::webSite(), ShellCore::webSite(),
                                    ShellCore::playerWebSite()}));
    EXPECT_EQ(ended, 0);
}

TEST_F(ShellTest, ChangeReloadsTheChooserInTheFullBuildOnly)
{
    QDir(inst.folder()).mkpath("styles");
    inst.writeFile("styles/classic.qml", "x");
    const auto styles = [](ShellCore &shell) {
        QStringList names;
        for (const DesignEntry &entry : shell.designChooser()->entries(DesignList::Styles))
            names << entry.text;
        names.sort();
        return names;
    };
    bool reloaded = false;
    ShellCore &s = started();
    QObject::connect(&s, &ShellCore::designChooserRequested, [&](bool reload) { reloaded = reload; });
    s.changeDesign();
    EXPECT_TRUE(reloaded);
    EXPECT_EQ(styles(s), QStringList{"classic.qml"});
    ShellCore player(inst.installation(Edition::Player), launcher, dialogs, windows, movie);
    reloaded = true;
    QObject::connect(&player, &ShellCore::designChooserRequested, [&](bool reload) { reloaded = reload; });
    player.changeDesign();
    EXPECT_FALSE(reloaded);
    EXPECT_EQ(styles(player), QStringList{"classic.qml"});

    // A style added since: "change" lists it; "configure" and "config" show the
    // lists as they were.
    inst.writeFile("styles/harbour.qml", "x");
    s.changeDesign();
    EXPECT_EQ(styles(s), (QStringList{"classic.qml", "harbour.qml"}));
    player.changeDesign();
    player.FSCommand("config", QString());
    EXPECT_EQ(styles(player), QStringList{"classic.qml"});
    s.FSCommand("CONFIG", QString());
    EXPECT_FALSE(reloaded);
}

TEST_F(ShellTest, ChoosingADesignRestartsTheShell)
{
    QDir(inst.folder()).mkpath("styles");
    inst.writeFile("styles/harbour.qml", "import QtQuick\nRectangle {}\n");
    ShellCore &s = started();
    s.changeDesign();
    dialogs.messages.clear();
    s.designChooser()->entryDoubleClicked(DesignList::Styles, 0);
    EXPECT_EQ(inst.readFile("style.swf"), "import QtQuick\nRectangle {}\n");
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.endsWith("Korvane Tessaly will now restart."));
    // The restart sequence: the movie unloaded, the shell started again, this one ended.
    EXPECT_EQ(movie.calls.mid(movie.calls.size() - 2), (QStringList{"StopPlay", "Movie "}));
    EXPECT_EQ(launcher.commandLines(), QStringList{"ts.exe"});
    EXPECT_EQ(ended, 1);
}
