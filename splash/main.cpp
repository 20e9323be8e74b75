// ts_launcher: starts the shell from its fixed path (TESSALY_SHELL_PATH, set when
// the program is built) and keeps a picture on top for ten seconds while it starts.
#include "splash/core/splash.h"
#include "splash/reminder.h"

#include "platform/dialogs.h"
#include "platform/fonts.h"
#include "platform/launcher.h"
#include "platform/windowservices.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    platform::registerTahoma();
    splash::Splash splash(QStringLiteral(TESSALY_SHELL_PATH), platform::systemLauncher(),
                          platform::systemDialogs());
    if (!splash.startShell())
        return 1;
    splash::Reminder reminder(platform::systemWindowServices());
    reminder.showCentred();
    return app.exec();
}
