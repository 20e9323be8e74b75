// The recording doubles are what other parts' tests stand on: their scripted
// answers must come back in order and their records must be complete.
#include "platform/testing/recorders.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace platform::testing;

TEST(Recorders, LauncherRecordsEveryRequestAndAnswersAsTold)
{
    RecordingLauncher launcher;
    Launcher &l = launcher;
    EXPECT_TRUE(l.startProcess("ts.exe", "/opt/tessaly", WindowState::Maximised));
    launcher.result = false;
    EXPECT_FALSE(l.openTarget("notes.txt", "/docs"));
    ASSERT_EQ(launcher.processes.size(), 1);
    EXPECT_EQ(launcher.processes[0].commandLine, QStringLiteral("ts.exe"));
    EXPECT_EQ(launcher.processes[0].workingFolder, QStringLiteral("/opt/tessaly"));
    EXPECT_EQ(launcher.processes[0].state, WindowState::Maximised);
    EXPECT_EQ(launcher.commandLines(), QStringList{"ts.exe"});
    ASSERT_EQ(launcher.targets.size(), 1);
    EXPECT_EQ(launcher.targets[0].target, QStringLiteral("notes.txt"));
    EXPECT_EQ(launcher.targets[0].workingFolder, QStringLiteral("/docs"));
}

TEST(Recorders, DialogsAnswerFromTheirQueuesThenByDefault)
{
    ScriptedDialogs dialogs;
    Dialogs &d = dialogs;
    dialogs.messageAnswers = {MessageResult::Cancel};
    EXPECT_EQ(d.messageBox("Korvane_Launch", "sure?", MessageButtons::OkCancel), MessageResult::Cancel);
    EXPECT_EQ(d.messageBox("Korvane_Launch", "again?", MessageButtons::OkCancel), MessageResult::Ok);
    EXPECT_EQ(d.messageBox("t", "q", MessageButtons::YesNo), MessageResult::Yes);
    ASSERT_EQ(dialogs.messages.size(), 3);
    EXPECT_EQ(dialogs.messages[1].title, QStringLiteral("Korvane_Launch"));
    EXPECT_EQ(dialogs.messages[1].text, QStringLiteral("again?"));
    EXPECT_EQ(dialogs.messages[1].buttons, MessageButtons::OkCancel);

    dialogs.answerInput("gedit");
    dialogs.cancelInput();
    QString answer = "stale";
    EXPECT_TRUE(d.inputBox("enter program , url or file to run", "run...", &answer));
    EXPECT_EQ(answer, QStringLiteral("gedit"));
    EXPECT_FALSE(d.inputBox("t", "p", &answer, "init"));
    EXPECT_FALSE(d.inputBox("t", "p", &answer));
    EXPECT_TRUE(answer.isEmpty());
    ASSERT_EQ(dialogs.inputs.size(), 3);
    EXPECT_EQ(dialogs.inputs[0].prompt, QStringLiteral("run..."));
    EXPECT_EQ(dialogs.inputs[1].initial, QStringLiteral("init"));
}

TEST(Recorders, TonesAreRecordedInOrder)
{
    RecordingTones tones;
    tones.beep(440, 200);
    tones.pause(500);
    ASSERT_EQ(tones.events.size(), 2);
    EXPECT_EQ(tones.events[0].kind, RecordingTones::Event::Kind::Beep);
    EXPECT_EQ(tones.events[0].hertz, 440);
    EXPECT_EQ(tones.events[0].milliseconds, 200);
    EXPECT_EQ(tones.events[1].kind, RecordingTones::Event::Kind::Pause);
    EXPECT_EQ(tones.events[1].milliseconds, 500);
}

TEST(Recorders, FakeDesktopKeysWindowsAndPointer)
{
    FakeWindowServices desktop;
    WindowServices &w = desktop;
    const WindowId tv = desktop.addWindow("WinTV32");
    const WindowId other = desktop.addWindow("Editor");
    EXPECT_NE(tv, other);
    EXPECT_EQ(w.topLevelWindows().size(), 2);

    w.requestClose(tv);
    EXPECT_EQ(desktop.closeRequests, QList<WindowId>{tv});
    EXPECT_EQ(w.topLevelWindows().size(), 2);
    desktop.closeRemovesWindow = true;
    w.requestClose(tv);
    ASSERT_EQ(w.topLevelWindows().size(), 1);
    EXPECT_EQ(w.topLevelWindows()[0].title, QStringLiteral("Editor"));

    desktop.keysDown.insert(Key::Control);
    desktop.pressOnce(Key::M);
    EXPECT_TRUE(w.keyPressed(Key::Control));
    EXPECT_TRUE(w.keyPressed(Key::Control));
    EXPECT_TRUE(w.keyPressed(Key::M));
    EXPECT_FALSE(w.keyPressed(Key::M));
    EXPECT_FALSE(w.keyPressed(Key::Alt));

    desktop.screenSize = QSize(3840, 1080);
    EXPECT_EQ(w.virtualScreenSize(), QSize(3840, 1080));
    w.warpPointer(100, 50);
    EXPECT_EQ(desktop.pointerWarps, QList<QPoint>{QPoint(100, 50)});
}

TEST(Recorders, MovieRecordsCallsAndKeepsVariables)
{
    RecordingMoviePlayer movie;
    MoviePlayer &m = movie;
    EXPECT_EQ(m.PercentLoaded(), 0);
    m.Movie("/opt/tessaly/style.swf");
    EXPECT_EQ(m.MoviePath(), QStringLiteral("/opt/tessaly/style.swf"));
    EXPECT_EQ(m.PercentLoaded(), 100);
    movie.percentLoaded = 0;
    EXPECT_EQ(m.PercentLoaded(), 0);
    m.SetVariable("a", "Welcome\rto the show");
    EXPECT_EQ(m.GetVariable("a"), QStringLiteral("Welcome\rto the show"));
    EXPECT_EQ(m.GetVariable("b"), QString());
    m.StopPlay();
    m.Movie("");
    m.Play();
    EXPECT_EQ(movie.calls, (QStringList{"Movie /opt/tessaly/style.swf", "StopPlay", "Movie ", "Play"}));
    EXPECT_TRUE(m.MoviePath().isEmpty());
}
