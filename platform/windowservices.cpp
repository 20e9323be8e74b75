#include "platform/windowservices.h"

namespace platform {
namespace {

// Placeholder until the X11 services land: a desktop with nothing on it.
class NoWindowServices : public WindowServices {
public:
    QList<TopLevelWindow> topLevelWindows() override { return {}; }
    void requestClose(WindowId) override {}
    bool keyPressed(Key) override { return false; }
    QSize virtualScreenSize() override { return QSize(0, 0); }
    void warpPointer(int, int) override {}
};

}  // namespace

bool windowTitledExists(WindowServices &services, const QString &title)
{
    const QList<TopLevelWindow> windows = services.topLevelWindows();
    for (const TopLevelWindow &window : windows) {
        if (window.title == title)
            return true;
    }
    return false;
}

WindowServices &systemWindowServices()
{
    static NoWindowServices services;
    return services;
}

}  // namespace platform
