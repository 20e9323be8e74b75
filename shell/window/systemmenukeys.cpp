#include "shell/window/systemmenukeys.h"

#include "platform/windowservices.h"

bool SystemMenuKeys::keyPressed(int virtualKey)
{
    using platform::Key;
    switch (virtualKey) {
    case MenuKeys::M: return m_windows.keyPressed(Key::M);
    case MenuKeys::Control: return m_windows.keyPressed(Key::Control);
    case MenuKeys::Escape: return m_windows.keyPressed(Key::Escape);
    case MenuKeys::F10: return m_windows.keyPressed(Key::F10);
    case MenuKeys::F4: return m_windows.keyPressed(Key::F4);
    case MenuKeys::Alt: return m_windows.keyPressed(Key::Alt);
    default: return false;
    }
}
