#pragma once
// Starting programs and opening targets. Nothing here waits for what it starts,
// and a failure is only returned, never shown: callers decide what to tell.
#include <QString>
#include <QStringList>

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
// and finds the result in the working directory, then in the program folder (where
// the original platform also looked first), then on PATH. Only executable files
// count. A name holding a "/" is a path: it is not searched, and a relative one is
// made absolute against the working directory.
// Returns the path found, or the mapped name when nothing is found.
QString resolveProgram(const QString &program);

// How openTarget() opens a target: which program it starts, with what arguments,
// in which folder. An empty program means there is nothing to open.
struct OpenPlan {
    enum class Kind { Nothing, Start, Associate };
    Kind kind = Kind::Nothing;
    QString program;        // the executable itself, or "xdg-open"
    QStringList arguments;  // empty for Start; the target for Associate
    QString workingFolder;  // empty: the current working directory
};

// Decides how a target opens, without starting anything:
// - a relative path is taken inside the working folder (the current directory
//   when that is empty); an existing program file (executable, and an ELF binary or
//   a "#!" script, so that documents on file systems that mark every file
//   executable are not run) is started; any other existing file or folder is
//   associated;
// - else a URL ("scheme:..." with a scheme of two or more letters, or "www." ...)
//   is associated (xdg-open; "www." gets "http://" in front, as the original shell
//   did);
// - a bare name that is no file there but a program found by resolveProgram() is
//   started;
// - anything else is nothing to open.
// A working folder that does not exist is replaced by the current directory.
OpenPlan planOpenTarget(const QString &target, const QString &workingFolder);

// The command line that starts the desktop's word processor (where the original
// started "wordpad"): the first of "libreoffice --writer", "lowriter",
// "soffice --writer", "abiword", "calligrawords" whose program is on PATH, with
// the program as its full path (quoted where it holds a blank). Empty when none is
// installed.
QString wordProcessorCommand();

// The real launcher (QProcess::startDetached, xdg-open).
Launcher &systemLauncher();

}  // namespace platform
