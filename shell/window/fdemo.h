#pragma once
// The shell's main window: a borderless black window over the whole virtual
// screen hosting the movie control ShockwaveFlash1, the menu panel Frame1, the
// Flash-missing panel behind the movie control, and the shell's three timers. All
// behaviour lives in ShellCore; this window maps controls and timers to it.
#include "shell/core/installation.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace platform {
class Launcher;
class Dialogs;
class WindowServices;
class MovieControl;
}  // namespace platform

class AddFilesWindow;
class Frame1;
class FrmMain;
class MenuKeys;
class NoteOverlay;
class PlaylistEditor;
class QLabel;
class QPushButton;
class ShellCore;

class FDemo : public QWidget {
    Q_OBJECT
public:
    FDemo(const Installation &installation, platform::Launcher &launcher,
          platform::Dialogs &dialogs, platform::WindowServices &windows, MenuKeys &keys,
          QWidget *parent = nullptr);
    ~FDemo() override;

    // Start-up, then the window over the whole virtual screen, shown.
    void startUp(const QString &commandLine);

    // What ending the program does (the application's exit unless replaced).
    void setEndProgram(std::function<void()> endProgram) { m_endProgram = std::move(endProgram); }

    ShellCore *core() const { return m_core.get(); }
    platform::MovieControl *ShockwaveFlash1() const { return m_flash; }
    Frame1 *frame() const { return m_frame; }
    PlaylistEditor *playlistEditor() const;
    FrmMain *designChooserWindow() const;  // once "change", "configure" or "config" made it
    AddFilesWindow *addFilesWindow() const;  // while it is open
    NoteOverlay *note() const { return m_note; }
    QTimer *checkflashversion() { return &m_checkflashversion; }
    QTimer *Timer2() { return &m_timer2; }
    QTimer *Timer1() { return &m_timer1; }

    // The timers' work, callable by the timers and by tests alike.
    void menuTick();
    void flashCheck();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildFlashMissingPanel();
    void wireFrame();
    void placePanel(int topTwips);
    void showPlaylistEditor();
    void showDesignChooser();
    void showAddFiles();
    void endProgram();

    Installation m_installation;
    platform::Dialogs &m_dialogs;
    platform::WindowServices &m_windows;
    MenuKeys &m_keys;
    platform::MovieControl *m_flash = nullptr;
    std::unique_ptr<ShellCore> m_core;
    Frame1 *m_frame = nullptr;
    NoteOverlay *m_note = nullptr;
    QPointer<PlaylistEditor> m_editor;
    QPointer<FrmMain> m_designChooser;
    QPointer<AddFilesWindow> m_addFiles;
    QTimer m_checkflashversion;
    QTimer m_timer2;
    QTimer m_timer1;
    std::function<void()> m_endProgram;
};
