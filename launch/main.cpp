// launch: turns the launch script named after this program into an always-on-top
// window of buttons. "launch N" runs entry N and ends; "launch --check" reports the
// script's problems and runs nothing.
#include "launch/core/clock.h"
#include "launch/core/launchcheck.h"
#include "launch/core/launchrunner.h"
#include "launch/launchwindow.h"
#include "platform/dialogs.h"
#include "platform/fonts.h"
#include "platform/launcher.h"
#include "platform/programfolder.h"
#include "platform/tones.h"
#include "platform/windowservices.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc == 2 && QString::fromLocal8Bit(argv[1]) == QLatin1String("--check")) {
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        return launch::LaunchCheck::run(platform::programFolder(), platform::programName(), out);
    }

    QApplication app(argc, argv);
    platform::registerTahoma();
    const QString commandLine = QCoreApplication::arguments().mid(1).join(QLatin1Char(' '));

    launch::LaunchWindow window;
    launch::LaunchRunner runner(window,
                                {platform::systemLauncher(), platform::systemDialogs(),
                                 platform::systemTones(), platform::systemWindowServices(),
                                 launch::systemClock()},
                                platform::programFolder(), platform::programName());
    window.setRunner(&runner);
    if (runner.load(commandLine) == launch::LaunchRunner::LoadResult::Ended)
        return runner.exitCode();
    window.show();
    const int status = app.exec();
    return runner.ended() ? runner.exitCode() : status;
}
