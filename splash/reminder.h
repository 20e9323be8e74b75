#pragma once
// The splash window `reminder`: borderless, centred, the splash picture as its
// background, the close button `Command1` "x". `Timer2` raises it and keeps it in
// the always-on-top band every second, so the shell's maximised window stays
// below it; `Timer1` ends the program ten seconds after load.
#include "platform/windowservices.h"

#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <functional>

class QPushButton;

namespace splash {

class Reminder : public QWidget {
    Q_OBJECT
public:
    explicit Reminder(platform::WindowServices &windows, QWidget *parent = nullptr);

    // What ending does; by default the application ends. The shell runs on.
    void setEndProgram(std::function<void()> end) { m_endProgram = std::move(end); }

    // Shows the window centred on the primary screen and starts both timers.
    void showCentred();

    QPushButton *closeButton() const { return m_Command1; }
    QTimer *endTimer() { return &m_Timer1; }
    QTimer *keepOnTopTimer() { return &m_Timer2; }
    const QPixmap &picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void keepOnTop();

    platform::WindowServices &m_windows;
    std::function<void()> m_endProgram;
    QPixmap m_picture;
    QPushButton *m_Command1 = nullptr;
    QTimer m_Timer1;
    QTimer m_Timer2;
};

}  // namespace splash
