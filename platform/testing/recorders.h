#pragma once
// Recording doubles of the platform services, for logic-core tests: they remember
// every request and act on nothing. Answers that a real service would get from the
// user or the desktop are scripted by the test.
#include "platform/dialogs.h"
#include "platform/launcher.h"
#include "platform/movie/movie.h"
#include "platform/tones.h"
#include "platform/windowservices.h"

#include <QList>
#include <QMap>
#include <QPoint>
#include <QSet>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>

namespace platform::testing {

// Records processes started and targets opened; `result` is what every call returns.
class RecordingLauncher : public Launcher {
public:
    struct Process {
        QString commandLine;
        QString workingFolder;
        WindowState state = WindowState::Normal;
    };
    struct Target {
        QString target;
        QString workingFolder;
    };

    bool startProcess(const QString &commandLine, const QString &workingFolder,
                      WindowState state) override
    {
        processes.append({commandLine, workingFolder, state});
        return result;
    }

    bool openTarget(const QString &target, const QString &workingFolder) override
    {
        targets.append({target, workingFolder});
        return result;
    }

    // Command lines of the started processes, in order.
    QStringList commandLines() const
    {
        QStringList lines;
        for (const Process &p : processes)
            lines.append(p.commandLine);
        return lines;
    }

    QList<Process> processes;
    QList<Target> targets;
    bool result = true;
};

// Records every box shown and answers from scripted queues. With an empty queue a
// message box answers its first button (Ok, or Yes) and an input box is cancelled.
class ScriptedDialogs : public Dialogs {
public:
    struct Message {
        QString title;
        QString text;
        MessageButtons buttons = MessageButtons::Ok;
        MessageIcon icon = MessageIcon::None;
    };
    struct Input {
        QString title;
        QString prompt;
        QString initial;
    };
    struct InputAnswer {
        bool accepted = false;
        QString text;
    };

    void errorBox(const QString &title, const QString &text) override
    {
        messages.append({title, text, MessageButtons::Ok, MessageIcon::Error});
    }

    MessageResult messageBox(const QString &title, const QString &text,
                             MessageButtons buttons = MessageButtons::Ok) override
    {
        messages.append({title, text, buttons, MessageIcon::None});
        if (!messageAnswers.isEmpty())
            return messageAnswers.takeFirst();
        return buttons == MessageButtons::YesNo ? MessageResult::Yes : MessageResult::Ok;
    }

    bool inputBox(const QString &title, const QString &prompt, QString *answer,
                  const QString &initial = QString()) override
    {
        inputs.append({title, prompt, initial});
        if (inputAnswers.isEmpty()) {
            if (answer)
                answer->clear();
            return false;
        }
        const InputAnswer next = inputAnswers.takeFirst();
        if (answer)
            *answer = next.text;
        return next.accepted;
    }

    // Records the request; answers from `fileAnswers`, then Cancel. `whileOpen`,
    // when set, runs while the dialog is "up" (a test's look at the window behind).
    OpenFilesOutcome openFiles(const OpenFilesRequest &request) override
    {
        fileRequests.append(request);
        if (whileOpen)
            whileOpen();
        if (fileAnswers.isEmpty())
            return OpenFilesOutcome();
        return fileAnswers.takeFirst();
    }

    // Queues the files the next open-file dialog gives.
    void chooseFiles(const QStringList &files)
    {
        OpenFilesOutcome outcome;
        outcome.kind = OpenFilesOutcome::Kind::Chosen;
        outcome.files = files;
        fileAnswers.append(outcome);
    }

    // Queues the answer of the next input box: typed `text`, then OK.
    void answerInput(const QString &text) { inputAnswers.append({true, text}); }
    // Queues a Cancel for the next input box.
    void cancelInput() { inputAnswers.append({false, QString()}); }

    QList<Message> messages;
    QList<Input> inputs;
    QList<MessageResult> messageAnswers;
    QList<InputAnswer> inputAnswers;
    QList<OpenFilesRequest> fileRequests;
    QList<OpenFilesOutcome> fileAnswers;
    std::function<void()> whileOpen;
};

// Records tones and pauses without sounding or waiting.
class RecordingTones : public Tones {
public:
    struct Event {
        enum class Kind { Beep, Pause };
        Kind kind = Kind::Beep;
        int hertz = 0;  // 0 for a pause
        int milliseconds = 0;
    };

    void beep(int hertz, int milliseconds) override
    {
        events.append({Event::Kind::Beep, hertz, milliseconds});
    }
    void pause(int milliseconds) override
    {
        events.append({Event::Kind::Pause, 0, milliseconds});
    }

    QList<Event> events;
};

// A desktop of the test's making: a list of windows, keys held down or pressed
// once, a screen size; close requests and pointer moves are recorded.
class FakeWindowServices : public WindowServices {
public:
    QList<TopLevelWindow> topLevelWindows() override { return windows; }

    void requestClose(WindowId window) override
    {
        closeRequests.append(window);
        if (closeRemovesWindow) {
            for (qsizetype i = 0; i < windows.size(); ++i) {
                if (windows[i].id == window) {
                    windows.removeAt(i);
                    break;
                }
            }
        }
    }

    // Held keys report pressed on every call; a key pressed once reports pressed
    // on the next call for it only, as a key pressed and released between polls.
    bool keyPressed(Key key) override
    {
        if (keysDown.contains(key))
            return true;
        return keysPressedOnce.remove(key);
    }

    QSize virtualScreenSize() override { return screenSize; }

    void warpPointer(int x, int y) override { pointerWarps.append(QPoint(x, y)); }

    void raiseWindow(WindowId window) override { raises.append(window); }

    // Adds a window with a fresh id and returns the id.
    WindowId addWindow(const QString &title)
    {
        const WindowId id = nextId++;
        windows.append({id, title});
        return id;
    }

    void pressOnce(Key key) { keysPressedOnce.insert(key); }

    QList<TopLevelWindow> windows;
    QList<WindowId> closeRequests;
    bool closeRemovesWindow = false;
    QSet<Key> keysDown;
    QSet<Key> keysPressedOnce;
    QSize screenSize{1024, 768};
    QList<QPoint> pointerWarps;
    QList<WindowId> raises;
    WindowId nextId = 0x100001;
};

// A movie that records what is asked of it. `calls` reads like "Movie /path",
// "StopPlay", "Play"; variables live in a map; `percentLoaded` is settable and is
// reported while a movie is set (0 after Movie("")). Unlike the movie control,
// whose every new movie starts with empty texts, Movie() keeps the map, so that a
// test can put the texts a movie would hold in place before the program starts.
class RecordingMoviePlayer : public MoviePlayer {
public:
    void Movie(const QString &path) override
    {
        calls.append(QStringLiteral("Movie ") + path);
        m_path = path;
    }
    QString MoviePath() const override { return m_path; }
    void StopPlay() override { calls.append(QStringLiteral("StopPlay")); }
    void Play() override { calls.append(QStringLiteral("Play")); }
    int PercentLoaded() const override { return m_path.isEmpty() ? 0 : percentLoaded; }
    QString GetVariable(const QString &name) const override
    {
        return variables.value(name);
    }
    void SetVariable(const QString &name, const QString &value) override
    {
        variables.insert(name, value);
        setVariableCalls.append({name, value});
    }

    QStringList calls;
    QMap<QString, QString> variables;
    QList<QPair<QString, QString>> setVariableCalls;
    int percentLoaded = 100;

private:
    QString m_path;
};

}  // namespace platform::testing
