// quillet2: the page editor. Its configuration is the first line of the file
// named after the program, beside it (quillet2.ini).
#include "pageeditor/core/quilletconfig.h"
#include "pageeditor/window/form1.h"
#include "platform/dialogs.h"
#include "platform/fonts.h"
#include "platform/launcher.h"
#include "platform/programfolder.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    platform::registerTahoma();
    const QString folder = platform::programFolder();
    const pageeditor::QuilletConfig config = pageeditor::readQuilletConfig(
        platform::joinPath(folder, platform::programName() + QStringLiteral(".ini")));
    Form1 form(folder, platform::systemDialogs(), platform::systemLauncher());
    form.startUp(config);
    // A window closed while it started (a message box was up) has ended the program.
    if (!form.isVisible())
        return 0;
    return application.exec();
}
