#pragma once
// Test doubles of the launch core: a view that records what the runner asks of the
// window, a clock the test sets, and a program folder holding a script.
#include "launch/core/clock.h"
#include "launch/core/launchrunner.h"
#include "launch/core/launchview.h"
#include "platform/testing/recorders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

namespace launch::testing {

class RecordingView : public LaunchView {
public:
    void setCaption(const QString &text) override { caption = text; }
    void setPicture(const QString &path) override { picture = path; }
    void addEntry(const EntryControls &controls) override
    {
        entries.insert(controls.entry, controls);
        buttonVisible.insert(controls.entry, controls.geometry.buttonVisible);
        events.append(QStringLiteral("entry %1").arg(controls.entry));
    }
    void setEntryButtonVisible(int entry, bool visible) override
    {
        buttonVisible.insert(entry, visible);
        events.append(QStringLiteral("%1 %2").arg(visible ? "show" : "hide").arg(entry));
    }
    void setWindowHeight(int twips) override { height = twips; }
    void addTimerItem(const QString &item) override { timerItems.append(item); }
    void addOnCloseItem(const QString &item) override { onCloseItems.append(item); }
    void startTimer1(int milliseconds) override
    {
        events.append(QStringLiteral("timer %1").arg(milliseconds));
    }
    void moveWindow(int top, int left) override
    {
        events.append(QStringLiteral("move top %1 left %2").arg(top).arg(left));
    }
    void minimise() override { events.append(QStringLiteral("minimise")); }
    void restore() override { events.append(QStringLiteral("restore")); }
    void maximise() override { events.append(QStringLiteral("maximise")); }
    void processPendingEvents() override
    {
        if (onPendingEvents) {
            auto pending = std::move(onPendingEvents);
            onPendingEvents = nullptr;
            pending();
        }
    }
    void quit() override { events.append(QStringLiteral("quit")); }

    // Events of the given kinds only ("move", "hide", ...), in order.
    QStringList eventsStartingWith(const QString &prefix) const
    {
        QStringList found;
        for (const QString &event : events) {
            if (event.startsWith(prefix))
                found.append(event);
        }
        return found;
    }

    QString caption;
    QString picture;
    int height = -1;
    QMap<int, EntryControls> entries;
    QMap<int, bool> buttonVisible;
    QStringList timerItems;
    QStringList onCloseItems;
    QStringList events;
    // Runs once, the next time pending events are let through: a click waiting then.
    std::function<void()> onPendingEvents;
};

class FakeClock : public Clock {
public:
    QTime currentTime() override { return now; }
    QTime now{12, 0};
};

// A program folder of the test's own with every platform service recorded.
class ScriptFolder {
public:
    explicit ScriptFolder(const QString &name = QStringLiteral("launch"))
        : programName(name), folder(m_dir.path())
    {
    }

    LaunchRunner::Services services()
    {
        return LaunchRunner::Services{launcher, dialogs, tones, windows, clock};
    }

    // Writes the script, lines ended by CR LF, into the program folder or its
    // "support" folder.
    void writeScript(const QStringList &lines, bool inSupport = false)
    {
        writeFile(inSupport ? QStringLiteral("support/") + programName + QStringLiteral(".ini")
                            : programName + QStringLiteral(".ini"),
                  (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
    }

    void writeFile(const QString &relative, const QByteArray &bytes)
    {
        const QString path = folder + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
    }

    // Targets opened, as "target @ folder".
    QStringList opened() const
    {
        QStringList all;
        for (const auto &target : launcher.targets)
            all.append(target.target + QStringLiteral(" @ ") + target.workingFolder);
        return all;
    }

private:
    QTemporaryDir m_dir;

public:
    QString programName;
    QString folder;
    platform::testing::RecordingLauncher launcher;
    platform::testing::ScriptedDialogs dialogs;
    platform::testing::RecordingTones tones;
    platform::testing::FakeWindowServices windows;
    FakeClock clock;
};

// The runner over a recording view.
class LaunchBench : public ScriptFolder {
public:
    explicit LaunchBench(const QString &name = QStringLiteral("launch"))
        : ScriptFolder(name), m_runner(view, services(), folder, programName)
    {
    }

    LaunchRunner::LoadResult load(const QString &commandLine = QString())
    {
        return m_runner.load(commandLine);
    }

    LaunchRunner &runner() { return m_runner; }

    RecordingView view;

private:
    LaunchRunner m_runner;
};

}  // namespace launch::testing
