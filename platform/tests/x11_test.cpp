// The window services against a real X server (run under xvfb-run), with windows
// that the test makes on a connection of its own. The same program run without a
// display checks that every service then finds nothing and does nothing.
#include "platform/windowservices.h"

#include <QDeadlineTimer>
#include <QThread>

#include <gtest/gtest.h>

// Xlib last: its macros (Bool, Status, None) would break the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>

using namespace platform;

namespace {

bool haveDisplay()
{
    const char *name = std::getenv("DISPLAY");
    return name && *name;
}

// A connection of the test's own, and the windows it made, destroyed at the end.
class Desktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!haveDisplay())
            GTEST_SKIP() << "needs an X server (run under xvfb-run)";
        m_display = XOpenDisplay(nullptr);
        ASSERT_NE(m_display, nullptr);
        m_root = DefaultRootWindow(m_display);
    }

    void TearDown() override
    {
        if (!m_display)
            return;
        for (Window w : m_made)
            XDestroyWindow(m_display, w);
        XDeleteProperty(m_display, m_root, atom("_NET_CLIENT_LIST"));
        XSync(m_display, False);
        XCloseDisplay(m_display);
    }

    Atom atom(const char *name) { return XInternAtom(m_display, name, False); }

    Window makeWindow(Window parent = 0, bool map = true)
    {
        const Window w = XCreateSimpleWindow(m_display, parent ? parent : m_root, 10, 10, 120,
                                             80, 0, 0, 0);
        if (!parent)
            m_made.push_back(w);  // children go with their parent
        if (map)
            XMapWindow(m_display, w);
        XSync(m_display, False);
        return w;
    }

    void setUtf8Title(Window w, const char *utf8)
    {
        XChangeProperty(m_display, w, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8,
                        PropModeReplace, reinterpret_cast<const unsigned char *>(utf8),
                        int(std::strlen(utf8)));
        XSync(m_display, False);
    }

    void setLatin1Title(Window w, const char *latin1)
    {
        XChangeProperty(m_display, w, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(latin1), int(std::strlen(latin1)));
        XSync(m_display, False);
    }

    // The window manager's list of its clients, as one would leave it on the root.
    void setClientList(std::initializer_list<unsigned long> windows)
    {
        const std::vector<unsigned long> list(windows);
        XChangeProperty(m_display, m_root, atom("_NET_CLIENT_LIST"), XA_WINDOW, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char *>(list.data()),
                        int(list.size()));
        XSync(m_display, False);
    }

    void takeCloseRequests(Window w)
    {
        Atom deleteWindow = atom("WM_DELETE_WINDOW");
        XSetWMProtocols(m_display, w, &deleteWindow, 1);
        XSync(m_display, False);
    }

    // The title the services report for `w`; "<absent>" when not listed.
    QString listedTitle(Window w)
    {
        for (const TopLevelWindow &t : systemWindowServices().topLevelWindows()) {
            if (t.id == WindowId(w))
                return t.title;
        }
        return QStringLiteral("<absent>");
    }

    // Waits for the next client message to one of the test's windows.
    bool nextClientMessage(XClientMessageEvent *out)
    {
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            while (XPending(m_display) > 0) {
                XEvent event;
                XNextEvent(m_display, &event);
                if (event.type == ClientMessage) {
                    *out = event.xclient;
                    return true;
                }
            }
            QThread::msleep(10);
        }
        return false;
    }

    void fakeKey(KeySym symbol, bool down)
    {
        XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, symbol), down ? True : False,
                          CurrentTime);
        XSync(m_display, False);
    }

    Display *m_display = nullptr;
    Window m_root = 0;
    std::vector<Window> m_made;
};

}  // namespace

TEST_F(Desktop, ListsTopLevelWindowsWithTheirTitles)
{
    const Window utf8 = makeWindow();
    setUtf8Title(utf8, "Sh\xC3\xB6w \xC2\xAC WinTV32");
    setLatin1Title(utf8, "old name");
    const Window latin1 = makeWindow();
    setLatin1Title(latin1, "caf\xE9");
    const Window hidden = makeWindow(0, false);
    setUtf8Title(hidden, "hidden one");
    const Window untitled = makeWindow();

    EXPECT_EQ(listedTitle(utf8), QStringLiteral("Shöw ¬ WinTV32"));  // _NET_WM_NAME wins
    EXPECT_EQ(listedTitle(latin1), QStringLiteral("café"));
    EXPECT_EQ(listedTitle(hidden), QStringLiteral("hidden one"));
    EXPECT_EQ(listedTitle(untitled), QString());

    WindowServices &services = systemWindowServices();
    EXPECT_TRUE(windowTitledExists(services, QStringLiteral("café")));
    EXPECT_FALSE(windowTitledExists(services, QStringLiteral("caf")));
    EXPECT_FALSE(windowTitledExists(services, QStringLiteral("WinTV32")));
}

TEST_F(Desktop, ClientInsideAFrameStandsForTheFrame)
{
    // As a reparenting window manager leaves it: frame, decoration, client with WM_STATE.
    const Window frame = makeWindow();
    const Window decoration = makeWindow(frame);
    const Window client = makeWindow(decoration);
    const long state[2] = {NormalState, 0};
    XChangeProperty(m_display, client, atom("WM_STATE"), atom("WM_STATE"), 32, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(state), 2);
    setUtf8Title(client, "Framed");
    setUtf8Title(frame, "frame title");

    EXPECT_EQ(listedTitle(client), QStringLiteral("Framed"));
    EXPECT_EQ(listedTitle(frame), QStringLiteral("<absent>"));
    EXPECT_EQ(listedTitle(decoration), QStringLiteral("<absent>"));
}

TEST_F(Desktop, WindowManagerClientListIsUsedWhenThere)
{
    const Window managed = makeWindow();
    setUtf8Title(managed, "managed");
    const Window other = makeWindow();
    setUtf8Title(other, "unmanaged");
    setClientList({managed});

    const QList<TopLevelWindow> windows = systemWindowServices().topLevelWindows();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(windows[0].id, WindowId(managed));
    EXPECT_EQ(windows[0].title, QStringLiteral("managed"));
}

TEST_F(Desktop, CloseRequestIsTheIcccmDeleteWindowMessage)
{
    const Window refuses = makeWindow();  // takes no close requests
    const Window tv = makeWindow();
    setUtf8Title(tv, "WinTV32 viewer");
    takeCloseRequests(tv);

    systemWindowServices().requestClose(WindowId(refuses));
    systemWindowServices().requestClose(WindowId(tv));

    XClientMessageEvent message{};
    ASSERT_TRUE(nextClientMessage(&message));
    // Nothing came for the window that does not take the protocol.
    EXPECT_EQ(message.window, tv);
    EXPECT_EQ(message.message_type, atom("WM_PROTOCOLS"));
    EXPECT_EQ(message.format, 32);
    EXPECT_EQ(Atom(message.data.l[0]), atom("WM_DELETE_WINDOW"));
}

TEST_F(Desktop, VanishedWindowsAreHarmless)
{
    const Window w = makeWindow();
    setUtf8Title(w, "short-lived");
    takeCloseRequests(w);
    XDestroyWindow(m_display, w);
    m_made.clear();
    XSync(m_display, False);

    systemWindowServices().requestClose(WindowId(w));
    systemWindowServices().requestClose(0);
    EXPECT_EQ(listedTitle(w), QStringLiteral("<absent>"));
}

TEST_F(Desktop, WindowsGoneFromTheClientListAreReadWithoutHarm)
{
    // A window manager's list may still name a window that has just gone: asking
    // for its title gets an X error, which must not end the program.
    const Window kept = makeWindow();
    setUtf8Title(kept, "still here");
    const Window gone = makeWindow();
    setUtf8Title(gone, "gone");
    setClientList({gone, kept});
    XDestroyWindow(m_display, gone);
    m_made.erase(std::find(m_made.begin(), m_made.end(), gone));
    XSync(m_display, False);

    EXPECT_EQ(listedTitle(kept), QStringLiteral("still here"));
    EXPECT_TRUE(listedTitle(gone).isEmpty());
    systemWindowServices().requestClose(WindowId(gone));
    EXPECT_TRUE(windowTitledExists(systemWindowServices(), QStringLiteral("still here")));
}

TEST_F(Desktop, KeysPressedBetweenPollsCountOnce)
{
    WindowServices &services = systemWindowServices();
    services.keyPressed(Key::M);  // the first poll starts the watch

    fakeKey(XK_m, true);
    fakeKey(XK_m, false);
    EXPECT_TRUE(services.keyPressed(Key::M));
    EXPECT_FALSE(services.keyPressed(Key::M));
    EXPECT_FALSE(services.keyPressed(Key::P));

    fakeKey(XK_Escape, true);
    fakeKey(XK_Escape, false);
    fakeKey(XK_F10, true);
    fakeKey(XK_F10, false);
    EXPECT_TRUE(services.keyPressed(Key::F10));
    EXPECT_TRUE(services.keyPressed(Key::Escape));
    EXPECT_FALSE(services.keyPressed(Key::Escape));
    EXPECT_FALSE(services.keyPressed(Key::F4));
}

TEST_F(Desktop, KeysHeldDownCountOnEveryPoll)
{
    WindowServices &services = systemWindowServices();
    services.keyPressed(Key::Control);
    fakeKey(XK_Control_R, true);
    EXPECT_TRUE(services.keyPressed(Key::Control));
    EXPECT_TRUE(services.keyPressed(Key::Control));
    EXPECT_FALSE(services.keyPressed(Key::Shift));
    fakeKey(XK_Control_R, false);
    EXPECT_FALSE(services.keyPressed(Key::Control));
}

TEST_F(Desktop, PointerIsWarped)
{
    systemWindowServices().warpPointer(100, 50);
    Window rootReturn = 0;
    Window childReturn = 0;
    int rootX = -1;
    int rootY = -1;
    int x = 0;
    int y = 0;
    unsigned int mask = 0;
    ASSERT_TRUE(XQueryPointer(m_display, m_root, &rootReturn, &childReturn, &rootX, &rootY, &x,
                              &y, &mask));
    EXPECT_EQ(rootX, 100);
    EXPECT_EQ(rootY, 50);
}

TEST_F(Desktop, VirtualScreenIsTheRootWindow)
{
    // The test's server is started with one 1600 x 900 screen.
    EXPECT_EQ(systemWindowServices().virtualScreenSize(), QSize(1600, 900));
}

TEST(NoDisplay, EveryServiceFindsNothingAndDoesNothing)
{
    if (haveDisplay())
        GTEST_SKIP() << "runs only without a display";
    WindowServices &services = systemWindowServices();
    EXPECT_TRUE(services.topLevelWindows().isEmpty());
    EXPECT_FALSE(windowTitledExists(services, QString()));
    EXPECT_FALSE(services.keyPressed(Key::Escape));
    EXPECT_EQ(services.virtualScreenSize(), QSize(0, 0));
    services.requestClose(12345);
    services.warpPointer(10, 10);
    EXPECT_TRUE(services.topLevelWindows().isEmpty());
}
