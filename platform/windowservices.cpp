#include "platform/windowservices.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

#include <array>
#include <initializer_list>
#include <vector>

namespace platform {
namespace {

// How deep below a root child the client window of a reparenting window manager
// is looked for (frame, decoration, client).
constexpr int kClientSearchDepth = 4;

constexpr int kKeyCount = int(Key::F10) + 1;

// Xlib's default error handler ends the process. A window may vanish between
// listing and asking for its title, so requests run with this trap in place,
// which ignores the error: the answer is then simply missing.
class ErrorTrap {
public:
    explicit ErrorTrap(Display *display) : m_display(display)
    {
        m_previous = XSetErrorHandler(&ErrorTrap::handler);
    }
    ~ErrorTrap()
    {
        XSync(m_display, False);
        XSetErrorHandler(m_previous);
    }
private:
    static int handler(Display *, XErrorEvent *) { return 0; }
    Display *m_display;
    XErrorHandler m_previous;
};

class X11WindowServices : public WindowServices {
public:
    ~X11WindowServices() override
    {
        if (m_display)
            XCloseDisplay(m_display);
    }

    QList<TopLevelWindow> topLevelWindows() override
    {
        QList<TopLevelWindow> result;
        Display *d = display();
        if (!d)
            return result;
        ErrorTrap trap(d);
        for (Window window : clientWindows(d))
            result.append({WindowId(window), title(d, window)});
        return result;
    }

    void requestClose(WindowId id) override
    {
        Display *d = display();
        if (!d || id == 0)
            return;
        ErrorTrap trap(d);
        const Window window = Window(id);
        if (supportsDeleteWindow(d, window)) {
            XEvent event{};
            event.xclient.type = ClientMessage;
            event.xclient.window = window;
            event.xclient.message_type = m_wmProtocols;
            event.xclient.format = 32;
            event.xclient.data.l[0] = long(m_wmDeleteWindow);
            event.xclient.data.l[1] = CurrentTime;
            XSendEvent(d, window, False, NoEventMask, &event);
        } else if (windowManagerSupports(d, m_netCloseWindow)) {
            // A client that takes no close request: its window manager decides.
            askWindowManager(d, window, m_netCloseWindow, {CurrentTime, kSourcePager});
        }
        XSync(d, False);
    }

    bool keyPressed(Key key) override
    {
        Display *d = display();
        if (!d)
            return false;
        ErrorTrap trap(d);
        if (!m_keysReady)
            prepareKeys(d);
        collectKeyPresses(d);

        const int k = int(key);
        bool pressed = m_pressedSincePoll[k];
        m_pressedSincePoll[k] = false;

        char keymap[32];
        XQueryKeymap(d, keymap);
        for (KeyCode code : m_keyCodes[k]) {
            if (keymap[code / 8] & (1 << (code % 8)))
                pressed = true;
        }
        return pressed;
    }

    QSize virtualScreenSize() override
    {
        // With a Qt application, its screens in its own pixels (those that
        // windows are placed in); else the X root window, which spans all monitors.
        if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
            QRect all;
            for (const QScreen *screen : QGuiApplication::screens())
                all = all.united(screen->geometry());
            if (!all.isEmpty())
                return all.size();
        }
        Display *d = display();
        if (!d)
            return QSize(0, 0);
        const int screen = DefaultScreen(d);
        return QSize(DisplayWidth(d, screen), DisplayHeight(d, screen));
    }

    void warpPointer(int x, int y) override
    {
        Display *d = display();
        if (!d)
            return;
        ErrorTrap trap(d);
        XWarpPointer(d, None, DefaultRootWindow(d), 0, 0, 0, 0, x, y);
        XSync(d, False);
    }

    void raiseWindow(WindowId id) override
    {
        Display *d = display();
        if (!d || id == 0)
            return;
        ErrorTrap trap(d);
        const Window window = Window(id);
        if (windowManagerSupports(d, m_netRestackWindow)) {
            // A window manager stacks its frames itself: ask it.
            askWindowManager(d, window, m_netRestackWindow, {kSourcePager, None, Above});
        } else {
            XRaiseWindow(d, window);
        }
        XSync(d, False);
    }

private:
    // Source indication of a request to the window manager: a pager or other direct
    // user action, which it honours without second-guessing.
    static constexpr long kSourcePager = 2;

    // Sends a window-manager request (an EWMH client message to the root window)
    // about `window`.
    void askWindowManager(Display *d, Window window, Atom request, std::initializer_list<long> data)
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = request;
        event.xclient.format = 32;
        int i = 0;
        for (long value : data)
            event.xclient.data.l[i++] = value;
        XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
    }

    // The connection is opened at first use; without a display every later call
    // finds nothing, at no cost.
    Display *display()
    {
        if (!m_triedToOpen) {
            m_triedToOpen = true;
            m_display = XOpenDisplay(nullptr);
            if (m_display) {
                m_netClientList = XInternAtom(m_display, "_NET_CLIENT_LIST", False);
                m_netSupported = XInternAtom(m_display, "_NET_SUPPORTED", False);
                m_netCloseWindow = XInternAtom(m_display, "_NET_CLOSE_WINDOW", False);
                m_netRestackWindow = XInternAtom(m_display, "_NET_RESTACK_WINDOW", False);
                m_netWmName = XInternAtom(m_display, "_NET_WM_NAME", False);
                m_utf8String = XInternAtom(m_display, "UTF8_STRING", False);
                m_wmState = XInternAtom(m_display, "WM_STATE", False);
                m_wmProtocols = XInternAtom(m_display, "WM_PROTOCOLS", False);
                m_wmDeleteWindow = XInternAtom(m_display, "WM_DELETE_WINDOW", False);
            }
        }
        return m_display;
    }

    // One window property as it is stored: its type, its format (8, 16 or 32 bits
    // an item) and its items. `found` is false when the window has no such property
    // of the asked type (AnyPropertyType takes any).
    struct Property {
        bool found = false;
        Atom type = None;
        int format = 0;
        std::vector<unsigned char> bytes;  // format 8
        std::vector<unsigned long> items;  // format 32, as Xlib hands them out
    };

    Property readProperty(Display *d, Window window, Atom property, Atom type, long maxItems)
    {
        Property result;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char *data = nullptr;
        const int status = XGetWindowProperty(d, window, property, 0, maxItems, False, type,
                                              &result.type, &result.format, &count, &remaining,
                                              &data);
        result.found = status == Success && result.type != None
                       && (type == AnyPropertyType || result.type == type);
        if (result.found && data) {
            if (result.format == 8)
                result.bytes.assign(data, data + count);
            else if (result.format == 32)
                result.items.assign(reinterpret_cast<const unsigned long *>(data),
                                    reinterpret_cast<const unsigned long *>(data) + count);
        }
        if (data)
            XFree(data);
        return result;
    }

    // A list of windows or atoms: a property of 32-bit items of that type.
    bool longListProperty(Display *d, Window window, Atom property, Atom type,
                          std::vector<unsigned long> *items)
    {
        Property list = readProperty(d, window, property, type, 1 << 20);
        if (!list.found || list.format != 32)
            return false;
        *items = std::move(list.items);
        return true;
    }

    bool hasProperty(Display *d, Window window, Atom property)
    {
        return readProperty(d, window, property, AnyPropertyType, 0).found;
    }

    std::vector<Window> children(Display *d, Window window)
    {
        Window rootReturn = 0;
        Window parentReturn = 0;
        Window *list = nullptr;
        unsigned int count = 0;
        std::vector<Window> result;
        if (XQueryTree(d, window, &rootReturn, &parentReturn, &list, &count) && list)
            result.assign(list, list + count);
        if (list)
            XFree(list);
        return result;
    }

    // The window below `window` (or itself) that carries WM_STATE: the client a
    // window manager put into its frame. 0 when there is none.
    Window findClient(Display *d, Window window, int depth)
    {
        if (hasProperty(d, window, m_wmState))
            return window;
        if (depth == 0)
            return 0;
        for (Window child : children(d, window)) {
            if (const Window client = findClient(d, child, depth - 1))
                return client;
        }
        return 0;
    }

    std::vector<Window> clientWindows(Display *d)
    {
        const Window root = DefaultRootWindow(d);
        std::vector<unsigned long> listed;
        if (longListProperty(d, root, m_netClientList, XA_WINDOW, &listed))
            return std::vector<Window>(listed.begin(), listed.end());

        // No window manager list: every child of the root is a top-level window;
        // where a window manager framed it, the client inside stands for it.
        std::vector<Window> result;
        for (Window child : children(d, root)) {
            const Window client = findClient(d, child, kClientSearchDepth);
            result.push_back(client ? client : child);
        }
        return result;
    }

    QString title(Display *d, Window window)
    {
        const Property netName = readProperty(d, window, m_netWmName, m_utf8String, 1 << 16);
        if (netName.found && netName.format == 8)
            return QString::fromUtf8(reinterpret_cast<const char *>(netName.bytes.data()),
                                     qsizetype(netName.bytes.size()));

        XTextProperty property{};
        if (!XGetWMName(d, window, &property) || !property.value)
            return QString();
        QString text;
        const char *bytes = reinterpret_cast<const char *>(property.value);
        if (property.encoding == XA_STRING) {
            text = QString::fromLatin1(bytes, int(property.nitems));
        } else if (property.encoding == m_utf8String) {
            text = QString::fromUtf8(bytes, int(property.nitems));
        } else {
            char **list = nullptr;
            int n = 0;
            if (Xutf8TextPropertyToTextList(d, &property, &list, &n) >= Success && list) {
                for (int i = 0; i < n; ++i)
                    text += QString::fromUtf8(list[i]);
                XFreeStringList(list);
            } else {
                text = QString::fromLatin1(bytes, int(property.nitems));
            }
        }
        XFree(property.value);
        return text;
    }

    bool supportsDeleteWindow(Display *d, Window window)
    {
        Atom *protocols = nullptr;
        int count = 0;
        bool found = false;
        if (XGetWMProtocols(d, window, &protocols, &count) && protocols) {
            for (int i = 0; i < count; ++i)
                found = found || protocols[i] == m_wmDeleteWindow;
        }
        if (protocols)
            XFree(protocols);
        return found;
    }

    bool windowManagerSupports(Display *d, Atom feature)
    {
        std::vector<unsigned long> supported;
        if (!longListProperty(d, DefaultRootWindow(d), m_netSupported, XA_ATOM, &supported))
            return false;
        for (unsigned long atom : supported) {
            if (Atom(atom) == feature)
                return true;
        }
        return false;
    }

    void prepareKeys(Display *d)
    {
        m_keysReady = true;
        auto add = [&](Key key, std::initializer_list<KeySym> symbols) {
            for (KeySym symbol : symbols) {
                if (const KeyCode code = XKeysymToKeycode(d, symbol))
                    m_keyCodes[int(key)].push_back(code);
            }
        };
        add(Key::Control, {XK_Control_L, XK_Control_R});
        add(Key::Alt, {XK_Alt_L, XK_Alt_R, XK_Meta_L, XK_Meta_R});
        add(Key::Shift, {XK_Shift_L, XK_Shift_R});
        add(Key::Space, {XK_space});
        add(Key::M, {XK_m});
        add(Key::P, {XK_p});
        add(Key::H, {XK_h});
        add(Key::Escape, {XK_Escape});
        add(Key::F4, {XK_F4});
        add(Key::F10, {XK_F10});

        // Raw key presses from the whole keyboard queue up on this connection
        // between polls, so that a key pressed and released between two polls
        // still counts once. Without XInput 2 only keys down at the poll count.
        int event = 0;
        int error = 0;
        if (!XQueryExtension(d, "XInputExtension", &m_xiOpcode, &event, &error))
            return;
        int major = 2;
        int minor = 2;
        if (XIQueryVersion(d, &major, &minor) != Success)
            return;
        unsigned char mask[XIMaskLen(XI_LASTEVENT)] = {};
        XISetMask(mask, XI_RawKeyPress);
        XIEventMask eventMask{};
        eventMask.deviceid = XIAllMasterDevices;
        eventMask.mask_len = sizeof mask;
        eventMask.mask = mask;
        XISelectEvents(d, DefaultRootWindow(d), &eventMask, 1);
        XFlush(d);
        m_rawKeys = true;
    }

    void collectKeyPresses(Display *d)
    {
        if (!m_rawKeys)
            return;
        XSync(d, False);
        while (XPending(d) > 0) {
            XEvent event;
            XNextEvent(d, &event);
            XGenericEventCookie *cookie = &event.xcookie;
            if (cookie->type != GenericEvent || cookie->extension != m_xiOpcode)
                continue;
            if (!XGetEventData(d, cookie))
                continue;
            if (cookie->evtype == XI_RawKeyPress) {
                const auto *raw = static_cast<const XIRawEvent *>(cookie->data);
                for (int k = 0; k < kKeyCount; ++k) {
                    for (KeyCode code : m_keyCodes[k]) {
                        if (int(code) == raw->detail)
                            m_pressedSincePoll[k] = true;
                    }
                }
            }
            XFreeEventData(d, cookie);
        }
    }

    Display *m_display = nullptr;
    bool m_triedToOpen = false;
    Atom m_netClientList = None;
    Atom m_netSupported = None;
    Atom m_netCloseWindow = None;
    Atom m_netRestackWindow = None;
    Atom m_netWmName = None;
    Atom m_utf8String = None;
    Atom m_wmState = None;
    Atom m_wmProtocols = None;
    Atom m_wmDeleteWindow = None;

    bool m_keysReady = false;
    bool m_rawKeys = false;
    int m_xiOpcode = 0;
    std::array<std::vector<KeyCode>, kKeyCount> m_keyCodes;
    std::array<bool, kKeyCount> m_pressedSincePoll{};
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
    static X11WindowServices services;
    return services;
}

}  // namespace platform
