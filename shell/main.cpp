// TS and TSplayer: the same sources, the player-only build selected by
// TESSALY_PLAYER_BUILD.
#include "shell/core/installation.h"
#include "shell/window/fdemo.h"
#include "shell/window/systemmenukeys.h"

#include "platform/dialogs.h"
#include "platform/fonts.h"
#include "platform/launcher.h"
#include "platform/windowservices.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    platform::registerTahoma();
#ifdef TESSALY_PLAYER_BUILD
    const Edition edition = Edition::Player;
#else
    const Edition edition = Edition::Full;
#endif
    // The command line is the text after the program name.
    const QString commandLine = QCoreApplication::arguments().mid(1).join(QLatin1Char(' '));

    platform::WindowServices &windows = platform::systemWindowServices();
    SystemMenuKeys keys(windows);
    FDemo fdemo(Installation::current(edition), platform::systemLauncher(),
                platform::systemDialogs(), windows, keys);
    fdemo.startUp(commandLine);
    return app.exec();
}
