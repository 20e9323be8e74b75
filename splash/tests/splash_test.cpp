// ts_launcher's logic with the desktop recorded.
#include "splash/core/splash.h"

#include "platform/commandline.h"
#include "platform/testing/recorders.h"

#include <gtest/gtest.h>

using namespace platform::testing;
using splash::Splash;

TEST(Splash, StartsTheShellMaximisedInItsOwnFolderWithNoArguments)
{
    RecordingLauncher launcher;
    ScriptedDialogs dialogs;
    Splash splash("/opt/korvane tessaly/TS", launcher, dialogs);
    EXPECT_TRUE(splash.startShell());
    ASSERT_EQ(launcher.processes.size(), 1);
    const auto &started = launcher.processes[0];
    // One word, the path, blanks and all.
    EXPECT_EQ(platform::splitCommandLine(started.commandLine), QStringList{"/opt/korvane tessaly/TS"});
    EXPECT_EQ(started.workingFolder, "/opt/korvane tessaly");
    EXPECT_EQ(started.state, platform::WindowState::Maximised);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST(Splash, AShellThatCannotBeStartedIsToldWithItsPath)
{
    RecordingLauncher launcher;
    launcher.result = false;
    ScriptedDialogs dialogs;
    Splash splash("/opt/tessaly/TS", launcher, dialogs);
    EXPECT_FALSE(splash.startShell());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].title, "ts_launcher");
    EXPECT_TRUE(dialogs.messages[0].text.contains("/opt/tessaly/TS"));
}

TEST(Splash, APathTheCommandLineCannotCarryIsNotStarted)
{
    for (const QString &path : {QStringLiteral("TS"), QStringLiteral("/opt/a\"b/TS")}) {
        RecordingLauncher launcher;
        ScriptedDialogs dialogs;
        Splash splash(path, launcher, dialogs);
        EXPECT_FALSE(splash.startShell());
        EXPECT_TRUE(launcher.processes.isEmpty());
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_TRUE(dialogs.messages[0].text.contains(path));
    }
}
