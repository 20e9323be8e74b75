#include "shell/window/x11keymap.h"

#include "shell/core/menukeys.h"

#include <QGuiApplication>

#include <X11/Xlib.h>
#include <X11/keysym.h>

bool x11KeyDown(int virtualKey)
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display *display = x11 ? x11->display() : nullptr;
    if (!display)
        return false;
    KeySym symbol = 0;
    switch (virtualKey) {
    case MenuKeys::Escape: symbol = XK_Escape; break;
    case MenuKeys::F10: symbol = XK_F10; break;
    case MenuKeys::F4: symbol = XK_F4; break;
    default: return false;
    }
    const KeyCode code = XKeysymToKeycode(display, symbol);
    if (code == 0)
        return false;
    char keys[32] = {};
    XQueryKeymap(display, keys);
    return (keys[code / 8] & (1 << (code % 8))) != 0;
}
