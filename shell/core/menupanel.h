#pragma once
// The menu panel's two state holders and the menu timer's placing of the panel.
// Everything in the shell changes the menu only through menuState and limit; the
// timer tick turns them into the panel's top.
#include "shell/core/edition.h"

#include <QString>

class MenuKeys;

class MenuPanel {
public:
    static constexpr int playMenuLimit = 950;
    static constexpr int mainMenuLimit = 3400;
    static constexpr int playerLimit = 700;
    static constexpr int panelHeight = 3015;  // Frame1, twips

    explicit MenuPanel(Edition edition);

    // Menu timer interval: 200 ms in TS, 300 ms in TSplayer.
    int timerInterval() const;

    // "open" or "closed"; "new" until start-up opens it. Anything but "open"
    // counts as closed.
    QString menuState() const { return m_menuState; }
    void setMenuState(const QString &state) { m_menuState = state; }
    bool isOpen() const { return m_menuState == QLatin1String("open"); }
    // The menu height setting, twips: the lowest (limit - 430) twips of the panel
    // show while the menu is open.
    int limit() const { return m_limit; }
    void setLimit(int limit) { m_limit = limit; }

    // Start-up: the limit of the build (950, TSplayer 700) and the menu open.
    void startUp();

    // One tick of the menu timer: M with Ctrl, Esc, F10, or F4 with Alt toggle the
    // menu; returns the panel's new top in twips.
    int tick(MenuKeys &keys);
    // The panel's top for the current state, twips.
    int panelTop() const;

    // "+ main menu" / "- play menu": switches limit between 950 and 3400 and
    // returns the button's new caption.
    QString toggleMainMenu();
    // "hide menu": closes the menu (the next tick moves the panel away).
    void hide() { m_menuState = QStringLiteral("closed"); }
    // Mouse movement over the main window's own surface opens the menu.
    void mouseOverSurface() { m_menuState = QStringLiteral("open"); }

private:
    Edition m_edition;
    QString m_menuState;
    int m_limit = 0;
};
