#pragma once
// Window services of the desktop, over X11. Without a display every query finds
// nothing and every action does nothing.
#include <QList>
#include <QSize>
#include <QString>
#include <cstdint>

namespace platform {

using WindowId = std::uint64_t;

struct TopLevelWindow {
    WindowId id = 0;
    QString title;  // _NET_WM_NAME, else WM_NAME
};

// Keys the shell's menu polls (either Control, Alt or Shift key counts).
enum class Key { Control, Alt, Shift, Space, M, P, H, Escape, F4, F10 };

class WindowServices {
public:
    virtual ~WindowServices() = default;

    // Top-level (client) windows of the display, with their titles.
    virtual QList<TopLevelWindow> topLevelWindows() = 0;

    // Sends the close request (WM_DELETE_WINDOW) to a window.
    virtual void requestClose(WindowId window) = 0;

    // True when the key is down now or was pressed since the previous call for it.
    // Presses are remembered from the first call for any key on (over X11 through
    // XInput 2 raw key events; without that extension only keys down now count).
    virtual bool keyPressed(Key key) = 0;

    // Size of the virtual screen (the union of all screens), in pixels; 0 x 0
    // without a display.
    virtual QSize virtualScreenSize() = 0;

    // Puts the pointer at a screen position in pixels.
    virtual void warpPointer(int x, int y) = 0;

    // Raises a top-level window above every other without activating it (the
    // keyboard stays where it is); through the window manager where one runs.
    virtual void raiseWindow(WindowId window) = 0;
};

// True when some top-level window's title is exactly `title`.
bool windowTitledExists(WindowServices &services, const QString &title);

// The X11 implementation for the running display.
WindowServices &systemWindowServices();

}  // namespace platform
