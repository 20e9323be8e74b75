#pragma once
// The menu keys of the running desktop. M, Ctrl and Alt come from the platform's
// window services; Esc, F10 and F4, which those services do not poll, are read
// from the X server's key map here. Key presses that reach the shell's own
// windows are remembered until the next test, so a quick tap between two timer
// ticks still counts, as "pressed since the last query" does.
#include "shell/core/menukeys.h"

#include <QObject>
#include <QSet>

namespace platform {
class WindowServices;
}

class SystemMenuKeys : public QObject, public MenuKeys {
    Q_OBJECT
public:
    explicit SystemMenuKeys(platform::WindowServices &windows, QObject *parent = nullptr);

    bool keyPressed(int virtualKey) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool keyDownOnServer(int virtualKey) const;

    platform::WindowServices &m_windows;
    QSet<int> m_pressed;
};
