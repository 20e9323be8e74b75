#pragma once
// Starting programs and opening targets. Nothing here waits for what it starts,
// and a failure is only returned, never shown: callers decide what to tell.
#include <QString>

namespace platform {

enum class WindowState { Normal, Minimised, Maximised, Hidden };

class Launcher {
public:
    virtual ~Launcher() = default;

    // Starts a command line (split by splitCommandLine) as a detached process.
    // The program word is resolved by resolveProgram(). An empty workingFolder
    // means the current working directory.
    virtual bool startProcess(const QString &commandLine, const QString &workingFolder,
                              WindowState state) = 0;

    // Opens a target as the desktop would: an executable file is started in the
    // working folder, anything else (documents, folders, URLs) goes to xdg-open.
    virtual bool openTarget(const QString &target, const QString &workingFolder) = 0;
};

// Maps the suite's Windows program names to the programs here ("ts.exe" -> "TS",
// "TSPowerUser.exe" -> "TSPowerUser", "zandro.exe" -> "zandro", "splash.exe" ->
// "splash", "help.exe" -> "help"; a trailing ".exe" is dropped, case-insensitively)
// and finds the result in the working directory, then on PATH. Returns the path
// found, or the mapped name when nothing is found.
QString resolveProgram(const QString &program);

// The real launcher (QProcess::startDetached, xdg-open).
Launcher &systemLauncher();

}  // namespace platform
