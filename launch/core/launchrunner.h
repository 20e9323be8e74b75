#pragma once
// The launch runner: reads the script into entries, runs command lists (`execute`),
// checks the time list every minute (`Timer1`, `List1`) and runs the on-close list
// (`List2`) when the window closes. It talks to the desktop only through the
// platform services and to its window only through LaunchView.
#include "launch/core/launchscript.h"
#include "launch/core/launchview.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

namespace platform {
class Dialogs;
class Launcher;
class Tones;
class WindowServices;
}  // namespace platform

namespace launch {

class Clock;

class LaunchRunner {
public:
    // The title of every box the runner shows.
    static QString programTitle() { return QStringLiteral("Korvane_Launch"); }
    // The maker's web site, opened by `Command1`.
    static QString websiteAddress() { return QStringLiteral("https://korvane.example"); }

    struct Services {
        platform::Launcher &launcher;
        platform::Dialogs &dialogs;
        platform::Tones &tones;
        platform::WindowServices &windows;
        Clock &clock;
    };

    // The services and the view must outlive the runner.
    LaunchRunner(LaunchView &view, const Services &services, const QString &programFolder,
                 const QString &programName);

    enum class LoadResult { ShowWindow, Ended };

    // Reads the script and sets up the window, running "[autorun]" entries as their
    // lines are read. `commandLine` is empty or an entry number, run once the whole
    // script is read; any other command line runs nothing of its own and ends the
    // program once the script is read. Every problem found is told in one box,
    // before anything runs; warnings are left to `launch --check`, so that a script
    // that works starts without a box. At most LaunchScript::maxEntries entries are
    // read.
    // Ended: the program ends now without showing its window (see exitCode()).
    LoadResult load(const QString &commandLine);

    // Runs the command list of entry `entry`. Does nothing once the program has ended.
    void execute(int entry);

    // One tick of the minute timer: re-arms it for a minute, then runs every entry of
    // `List1` whose time text is the current time ("9:5" at 09:05), in script order.
    void Timer1();

    // The window is being closed by the user: runs the entries of `List2` in order.
    void closing();

    // `Command1`: opens the web site with the program folder as working folder.
    void openWebsite();

    bool ended() const { return m_ended; }
    // 0, or 1 when the program ended because it could not do what it was asked.
    int exitCode() const { return m_exitCode; }

    const QStringList &List1() const { return m_List1; }
    const QStringList &List2() const { return m_List2; }
    int entryCount() const { return static_cast<int>(m_entries.size()); }

    // "H:M" with no leading zeros.
    static QString timeText(const QTime &time);

private:
    struct TimedEntry {
        QString timeText;
        int entry = 0;
    };

    // Reads `commandLine` as an entry number; otherwise returns the problem.
    static bool commandLineEntry(const QString &commandLine, const QList<ScriptEntry> &entries,
                                 int *entry, QString *problem);
    void end(int exitCode);
    bool runCommand(int entry, const QString &text);  // false: stop the list

    LaunchView &m_view;
    Services m_services;
    QString m_programFolder;
    QString m_programName;
    QList<ScriptEntry> m_entries;
    QStringList m_List1;
    QList<TimedEntry> m_timedEntries;
    QStringList m_List2;
    QList<int> m_onCloseEntries;
    bool m_timerStarted = false;
    bool m_ended = false;
    int m_exitCode = 0;
};

}  // namespace launch
