// The quit sequence against the real X11 window services, on a virtual X server
// (run under xvfb-run), with TV-viewer windows of the test's own.
#include "shell/core/installation.h"
#include "shell/core/shellcore.h"

#include "platform/testing/recorders.h"
#include "platform/windowservices.h"

#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>
#include <memory>

using namespace platform::testing;

class QuitX11Test : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::vector<std::unique_ptr<QWidget>> m_windows;

    QWidget *openWindow(const QString &title)
    {
        auto window = std::make_unique<QWidget>();
        window->setWindowTitle(title);
        window->resize(200, 100);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return nullptr;
        m_windows.push_back(std::move(window));
        return m_windows.back().get();
    }

    // Waits until the X server lists every title (the titles reach it
    // asynchronously).
    bool listed(const QStringList &titles)
    {
        for (int i = 0; i < 100; ++i) {
            QStringList seen;
            for (const auto &window : platform::systemWindowServices().topLevelWindows())
                seen << window.title;
            if (std::all_of(titles.begin(), titles.end(), [&](const QString &t) { return seen.contains(t); }))
                return true;
            QTest::qWait(20);
        }
        return false;
    }

    void quit()
    {
        RecordingLauncher launcher;
        ScriptedDialogs dialogs;
        RecordingMoviePlayer movie;
        ShellCore shell(Installation(Edition::Full, m_folder.path(), m_folder.path()), launcher,
                        dialogs, platform::systemWindowServices(), movie);
        shell.end_program();
        QCOMPARE(movie.calls, QStringList({"StopPlay", "Movie "}));
    }

private slots:
    void cleanup() { m_windows.clear(); }

    void quitClosesEveryWindowHoldingWinTV32WhenOneIsTitledSo()
    {
        QWidget *exact = openWindow("WinTV32");
        QWidget *channel = openWindow("WinTV32 - channel 5");
        QWidget *notes = openWindow("Notes");
        QWidget *lower = openWindow("wintv32 viewer");
        QVERIFY(exact && channel && notes && lower);
        QVERIFY(listed({"WinTV32", "WinTV32 - channel 5", "Notes", "wintv32 viewer"}));
        quit();
        QTRY_VERIFY(!exact->isVisible());
        QTRY_VERIFY(!channel->isVisible());
        QTest::qWait(200);
        QVERIFY(notes->isVisible());
        QVERIFY(lower->isVisible());
    }

    void quitClosesNothingWithoutAWindowTitledExactlyWinTV32()
    {
        QWidget *channel = openWindow("WinTV32 - channel 5");
        QWidget *spaced = openWindow("WinTV32 ");
        QVERIFY(channel && spaced);
        QVERIFY(listed({"WinTV32 - channel 5", "WinTV32 "}));
        quit();
        QTest::qWait(300);
        QVERIFY(channel->isVisible());
        QVERIFY(spaced->isVisible());
    }
};

QTEST_MAIN(QuitX11Test)
#include "quit_x11_test.moc"
