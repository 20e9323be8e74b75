// The recording doubles that the programs' logic tests stand on: scripted answers come
// back in order, then the documented defaults; keys pressed once count once.
#include "platform/testing/recorders.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace platform::testing;

TEST(Recorders, DialogsAnswerFromTheirQueuesThenByDefault)
{
    ScriptedDialogs dialogs;
    Dialogs &d = dialogs;
    dialogs.messageAnswers = {MessageResult::Cancel};
    EXPECT_EQ(d.messageBox("Korvane_Launch", "sure?", MessageButtons::OkCancel), MessageResult::Cancel);
    EXPECT_EQ(d.messageBox("Korvane_Launch", "again?", MessageButtons::OkCancel), MessageResult::Ok);
    EXPECT_EQ(d.messageBox("t", "q", MessageButtons::YesNo), MessageResult::Yes);
    ASSERT_EQ(dialogs.messages.size(), 3);
    EXPECT_EQ(dialogs.messages[1].text, QStringLiteral("again?"));

    dialogs.answerInput("gedit");
    dialogs.cancelInput();
    QString answer = "stale";
    EXPECT_TRUE(d.inputBox("enter program , url or file to run", "run...", &answer));
    EXPECT_EQ(answer, QStringLiteral("gedit"));
    EXPECT_FALSE(d.inputBox("t", "p", &answer, "init"));
    EXPECT_FALSE(d.inputBox("t", "p", &answer));
    EXPECT_TRUE(answer.isEmpty());
    ASSERT_EQ(dialogs.inputs.size(), 3);
    EXPECT_EQ(dialogs.inputs[1].initial, QStringLiteral("init"));
}

TEST(Recorders, FakeDesktopAndMovie)
{
    FakeWindowServices desktop;
    WindowServices &w = desktop;
    const WindowId tv = desktop.addWindow("WinTV32");
    desktop.addWindow("Editor");
    desktop.closeRemovesWindow = true;
    w.requestClose(tv);
    EXPECT_EQ(desktop.closeRequests, QList<WindowId>{tv});
    ASSERT_EQ(w.topLevelWindows().size(), 1);
    EXPECT_EQ(w.topLevelWindows()[0].title, QStringLiteral("Editor"));

    desktop.keysDown.insert(Key::Control);
    desktop.pressOnce(Key::M);
    EXPECT_TRUE(w.keyPressed(Key::Control));
    EXPECT_TRUE(w.keyPressed(Key::Control));
    EXPECT_TRUE(w.keyPressed(Key::M));
    EXPECT_FALSE(w.keyPressed(Key::M));

    RecordingMoviePlayer movie;
    MoviePlayer &m = movie;
    m.Movie("/opt/tessaly/style.swf");
    EXPECT_EQ(m.PercentLoaded(), 100);
    m.SetVariable("a", "Welcome\rto the show");
    EXPECT_EQ(m.GetVariable("a"), QStringLiteral("Welcome\rto the show"));
    EXPECT_EQ(m.GetVariable("b"), QString());
    m.StopPlay();
    m.Movie("");
    EXPECT_EQ(m.PercentLoaded(), 0);
    EXPECT_EQ(movie.calls, (QStringList{"Movie /opt/tessaly/style.swf", "StopPlay", "Movie "}));

    // The launcher and tones doubles compile against their interfaces too.
    RecordingLauncher launcher;
    RecordingTones tones;
    static_cast<Launcher &>(launcher).openTarget("x", "");
    static_cast<Tones &>(tones).pause(5);
    EXPECT_EQ(launcher.targets.size(), 1);
    EXPECT_EQ(tones.events.size(), 1);
}
