#pragma once
// The menu keys of the running desktop, from the platform's window services: a
// key counts as pressed when it is down now or was pressed since the last test.
#include "shell/core/menukeys.h"

namespace platform {
class WindowServices;
}

class SystemMenuKeys : public MenuKeys {
public:
    explicit SystemMenuKeys(platform::WindowServices &windows) : m_windows(windows) {}

    bool keyPressed(int virtualKey) override;

private:
    platform::WindowServices &m_windows;
};
