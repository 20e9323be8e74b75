#include "shell/window/systemmenukeys.h"

#include "platform/windowservices.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include "shell/window/x11keymap.h"

namespace {

int virtualKeyOf(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_M: return MenuKeys::M;
    case Qt::Key_Control: return MenuKeys::Control;
    case Qt::Key_Escape: return MenuKeys::Escape;
    case Qt::Key_F10: return MenuKeys::F10;
    case Qt::Key_F4: return MenuKeys::F4;
    case Qt::Key_Alt: return MenuKeys::Alt;
    default: return 0;
    }
}

}  // namespace

SystemMenuKeys::SystemMenuKeys(platform::WindowServices &windows, QObject *parent)
    : QObject(parent), m_windows(windows)
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

bool SystemMenuKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (const int code = virtualKeyOf(key->key()))
            m_pressed.insert(code);
        // A modifier held with another key counts as pressed too.
        if (key->modifiers() & Qt::ControlModifier)
            m_pressed.insert(MenuKeys::Control);
        if (key->modifiers() & Qt::AltModifier)
            m_pressed.insert(MenuKeys::Alt);
    }
    return QObject::eventFilter(watched, event);
}

bool SystemMenuKeys::keyPressed(int virtualKey)
{
    const bool seen = m_pressed.remove(virtualKey);
    bool down = false;
    switch (virtualKey) {
    case MenuKeys::M: down = m_windows.keyPressed(platform::Key::M); break;
    case MenuKeys::Control: down = m_windows.keyPressed(platform::Key::Control); break;
    case MenuKeys::Alt: down = m_windows.keyPressed(platform::Key::Alt); break;
    default: down = keyDownOnServer(virtualKey); break;
    }
    return seen || down;
}

bool SystemMenuKeys::keyDownOnServer(int virtualKey) const
{
    return x11KeyDown(virtualKey);
}
