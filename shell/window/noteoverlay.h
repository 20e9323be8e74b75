#pragma once
// A note shown by the shell itself, on top of the show, when no note program can
// be started. It closes after ten seconds.
#include <QLabel>
#include <QTimer>

class NoteOverlay : public QLabel {
    Q_OBJECT
public:
    static constexpr int showTime = 10000;

    explicit NoteOverlay(QWidget *parent);

    // Shows the text centred over the parent, above everything else on it.
    void showNote(const QString &text);
    // Centred over the parent again (the window may have changed its size).
    void recentre();
    QTimer *closeTimer() { return &m_closeTimer; }

private:
    QTimer m_closeTimer;
};
