// TSPowerUser: backup sets of the shell's look and playlist, and restores from
// them. Stands in the shell's installation folder: every path is built from the
// folder of its own executable.
#include "poweruser/poweruserwindow.h"

#include "platform/dialogs.h"
#include "platform/fonts.h"
#include "platform/launcher.h"
#include "platform/programfolder.h"

#include <QApplication>
#include <QDateTime>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    platform::registerTahoma();
    poweruser::PowerUserWindow window(
        platform::programFolder(),
        {platform::systemLauncher(), platform::systemDialogs(), [] { return QDateTime::currentDateTime(); }});
    window.show();
    return app.exec();
}
