// Start-up and endurance figures of the shell, with the demo installation.
//
//   shell_startup_bench            copies the demo installation to a scratch
//                                  folder, runs itself there a few times to time
//                                  start-ups, then runs the endurance check
//   shell_startup_bench --once     one start-up (a child run): prints its times
//   shell_startup_bench --endure N N rounds of Next presses and reloads
//
// Start-up is timed from the program's first line to the first frame the movie
// control has rendered with the window shown, the way TS starts (QApplication,
// FDemo, style.swf). Without a display the offscreen platform renders.
#include "shell/core/playlistmodel.h"
#include "shell/core/shellcore.h"
#include "shell/window/fdemo.h"
#include "shell/window/systemmenukeys.h"

#include "platform/dialogs.h"
#include "platform/launcher.h"
#include "platform/movie/moviecontrol.h"
#include "platform/windowservices.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

// Starts nothing and keeps nothing: the endurance run must not spawn viewers,
// nor grow a record of them.
class CountingLauncher : public platform::Launcher {
public:
    bool startProcess(const QString &, const QString &, platform::WindowState) override
    {
        ++started;
        return true;
    }
    bool openTarget(const QString &, const QString &) override
    {
        ++started;
        return true;
    }
    long started = 0;
};

class QuietDialogs : public platform::Dialogs {
public:
    platform::MessageResult messageBox(const QString &, const QString &, platform::MessageButtons) override
    {
        return platform::MessageResult::Ok;
    }
    bool inputBox(const QString &, const QString &, QString *, const QString &) override { return false; }
};

long residentKilobytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

// One start-up, timed from `sinceStart` (started on the program's first line).
int runOnce(int argc, char **argv, QElapsedTimer &sinceStart)
{
    QApplication app(argc, argv);
    const qint64 applicationMs = sinceStart.elapsed();
    platform::WindowServices &windows = platform::systemWindowServices();
    SystemMenuKeys keys(windows);
    CountingLauncher launcher;
    FDemo fdemo(Installation::current(Edition::Full), launcher, platform::systemDialogs(), windows, keys);
    qint64 shownMs = -1;
    qint64 paintedMs = -1;
    QObject::connect(fdemo.ShockwaveFlash1()->quickWindow(), &QQuickWindow::afterRendering,
                     &app, [&] {
                         if (paintedMs < 0 && fdemo.isVisible()) {
                             paintedMs = sinceStart.elapsed();
                             QTimer::singleShot(0, &app, &QCoreApplication::quit);
                         }
                     }, Qt::DirectConnection);
    fdemo.startUp(QString());
    shownMs = sinceStart.elapsed();
    QTimer::singleShot(10000, &app, &QCoreApplication::quit);
    app.exec();
    std::printf("application %lld ms, window shown %lld ms, movie's first frame %lld ms: "
                "painted window at %lld ms, movie loaded %d%%\n",
                static_cast<long long>(applicationMs), static_cast<long long>(shownMs),
                static_cast<long long>(paintedMs), static_cast<long long>(std::max(shownMs, paintedMs)),
                fdemo.ShockwaveFlash1()->PercentLoaded());
    return paintedMs < 0 ? 1 : 0;
}

int runEndurance(int argc, char **argv, int rounds)
{
    QApplication app(argc, argv);
    platform::WindowServices &windows = platform::systemWindowServices();
    SystemMenuKeys keys(windows);
    CountingLauncher launcher;
    QuietDialogs dialogs;
    FDemo fdemo(Installation::current(Edition::Full), launcher, dialogs, windows, keys);
    fdemo.startUp(QString());
    ShellCore *core = fdemo.core();

    int roundsDone = 0;
    const auto round = [&] {
        for (int press = 0; press < 19; ++press)
            core->load_next_slide();
        core->load_previous_slide();
        core->load_first_slide();
        core->load_Text();           // the player mode's 20-second reload
        core->refreshcombo();        // the selector after the editor's OK
        core->playlist()->ReloadPlaylist();
        fdemo.menuTick();
        // Let the movie show its texts now and then, as the timers would.
        if (++roundsDone % 20 == 0)
            QCoreApplication::processEvents();
    };
    // Warm up: the first rounds fill caches and the scene graph.
    for (int i = 0; i < 200; ++i)
        round();
    const long before = residentKilobytes();
    QElapsedTimer timer;
    timer.start();
    std::vector<long> samples;
    for (int i = 0; i < rounds; ++i) {
        round();
        if ((i + 1) % (rounds / 10 > 0 ? rounds / 10 : 1) == 0)
            samples.push_back(residentKilobytes());
    }
    const long after = residentKilobytes();
    const long presses = static_cast<long>(rounds) * 21;
    std::printf("endurance: %d rounds (%ld Next/Previous/First presses, %d text reloads, %d playlist "
                "reloads) in %lld ms\n",
                rounds, presses, rounds, rounds, static_cast<long long>(timer.elapsed()));
    std::printf("resident memory: %ld kB after warm-up, %ld kB at the end (%+ld kB); samples:", before,
                after, after - before);
    for (long kb : samples)
        std::printf(" %ld", kb);
    std::printf("\nviewer starts asked for: %ld\n", launcher.started);
    return 0;
}

bool copyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + path.mid(from.size());
        if (it.fileInfo().isDir())
            QDir().mkpath(target);
        else if (!QFile::copy(path, target))
            return false;
    }
    return true;
}

int runParent(const char *self)
{
    const QString demo = QStringLiteral(TESSALY_DEMO_DIR);
    if (!QFile::exists(demo + QStringLiteral("/style.swf"))) {
        std::fprintf(stderr, "shell_startup_bench: no demo installation in %s\n", qPrintable(demo));
        return 1;
    }
    QTemporaryDir scratch;
    const QString folder = scratch.path() + QStringLiteral("/demo");
    if (!copyFolder(demo, folder) ||
        !QFile::copy(QString::fromLocal8Bit(self), folder + QStringLiteral("/shell_startup_bench"))) {
        std::fprintf(stderr, "shell_startup_bench: cannot lay out %s\n", qPrintable(folder));
        return 1;
    }
    QFile::setPermissions(folder + QStringLiteral("/shell_startup_bench"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("DISPLAY")) && !environment.contains(QStringLiteral("QT_QPA_PLATFORM"))) {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("QT_QUICK_BACKEND"), QStringLiteral("software"));
    }
    std::printf("shell start-up with the demo style (%s platform)\n",
                qPrintable(environment.value(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"))));
    std::vector<qint64> wall;
    const int runs = 7;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setWorkingDirectory(folder);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        child.start(folder + QStringLiteral("/shell_startup_bench"), {QStringLiteral("--once")});
        if (!child.waitForFinished(20000) || child.exitCode() != 0) {
            std::fprintf(stderr, "shell_startup_bench: a start-up run failed\n");
            return 1;
        }
        wall.push_back(timer.elapsed());
        std::printf("  run %d: %s", i + 1, child.readAllStandardOutput().constData());
    }
    std::sort(wall.begin(), wall.end());
    std::printf("process start to first frame and exit, median of %d: %lld ms (best %lld, worst %lld)\n",
                runs, static_cast<long long>(wall[runs / 2]), static_cast<long long>(wall.front()),
                static_cast<long long>(wall.back()));

    std::fflush(stdout);
    QProcess endurance;
    endurance.setProcessEnvironment(environment);
    endurance.setWorkingDirectory(folder);
    endurance.setProcessChannelMode(QProcess::ForwardedChannels);
    endurance.start(folder + QStringLiteral("/shell_startup_bench"), {QStringLiteral("--endure"), QStringLiteral("10000")});
    if (!endurance.waitForFinished(600000) || endurance.exitCode() != 0) {
        std::fprintf(stderr, "shell_startup_bench: the endurance run failed\n");
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    if (argc > 1 && std::string_view(argv[1]) == "--once")
        return runOnce(argc, argv, sinceStart);
    if (argc > 2 && std::string_view(argv[1]) == "--endure")
        return runEndurance(argc, argv, std::max(1, std::atoi(argv[2])));
    return runParent(argv[0]);
}
