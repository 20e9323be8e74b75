// tributa: the add-files tool on its own. It copies the files chosen in its dialog
// into powerpoint.files beside its own executable, so it must stand in the
// installation folder; "done" ends it.
#include "shell/window/addfileswindow.h"

#include "platform/dialogs.h"
#include "platform/fonts.h"
#include "platform/programfolder.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    platform::registerTahoma();
    AddFilesWindow window(platform::programFolder(), QStringLiteral("tributa"),
                          platform::systemDialogs(), AddFilesWindow::DoneButton::With);
    QObject::connect(&window, &AddFilesWindow::doneClicked, &app, &QCoreApplication::quit);
    window.show();
    return app.exec();
}
