#include "shell/core/menupanel.h"

#include "shell/core/menukeys.h"

MenuPanel::MenuPanel(Edition edition)
    : m_edition(edition),
      // TSplayer's state holder starts as "open" without start-up setting it.
      m_menuState(edition == Edition::Player ? QStringLiteral("open") : QStringLiteral("new"))
{
}

int MenuPanel::timerInterval() const
{
    return m_edition == Edition::Player ? 300 : 200;
}

void MenuPanel::startUp()
{
    if (m_edition == Edition::Player) {
        m_limit = playerLimit;
    } else {
        m_limit = playMenuLimit;
        m_menuState = QStringLiteral("open");
    }
}

int MenuPanel::tick(MenuKeys &keys)
{
    // Every key is read on every tick, so that a press since the last tick is
    // consumed even when another combination already decides.
    const bool m = keys.keyPressed(MenuKeys::M);
    const bool control = keys.keyPressed(MenuKeys::Control);
    const bool escape = keys.keyPressed(MenuKeys::Escape);
    const bool f10 = keys.keyPressed(MenuKeys::F10);
    const bool f4 = keys.keyPressed(MenuKeys::F4);
    const bool alt = keys.keyPressed(MenuKeys::Alt);
    if ((m && control) || escape || f10 || (f4 && alt))
        m_menuState = isOpen() ? QStringLiteral("closed") : QStringLiteral("open");
    return panelTop();
}

int MenuPanel::panelTop() const
{
    if (!isOpen())
        return -panelHeight;
    return m_limit - panelHeight - 430;
}

QString MenuPanel::toggleMainMenu()
{
    if (m_limit != mainMenuLimit) {
        m_limit = mainMenuLimit;
        return QStringLiteral("- play menu");
    }
    m_limit = playMenuLimit;
    return QStringLiteral("+ main menu");
}
