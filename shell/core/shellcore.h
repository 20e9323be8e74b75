#pragma once
// The logic of the shell's main window FDemo, without widgets: start-up, the
// playlist pointer and playback, the movie's command table, the quit and restart
// sequences, the home-page texts, the Flash check, notes and the utility buttons.
// It reaches the desktop only through the platform interfaces; the window shows
// what its signals report and calls its operations from buttons and timers.
#include "shell/core/installation.h"
#include "shell/core/menupanel.h"

#include "platform/launcher.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

namespace platform {
class Dialogs;
class WindowServices;
class MoviePlayer;
}  // namespace platform

class DesignChooser;
class PlaylistModel;

class ShellCore : public QObject {
    Q_OBJECT
public:
    static constexpr int lastSlot = 18;
    static constexpr int flashCheckInterval = 2000;  // checkflashversion
    static constexpr int reloadInterval = 20000;     // Timer1, player mode only

    ShellCore(const Installation &installation, platform::Launcher &launcher,
              platform::Dialogs &dialogs, platform::WindowServices &windows,
              platform::MoviePlayer &movie, QObject *parent = nullptr);
    ~ShellCore() override;

    static QString programTitle() { return QStringLiteral("Korvane Tessaly"); }
    static QString webSite() { return QStringLiteral("https://korvane.example/tessaly"); }
    static QString playerWebSite() { return QStringLiteral("https://korvane.example/tsplayer"); }
    static QString hideMenuNote();
    static QString flashMissingText();
    static QString installFlashText();
    static QString editTextInstructions();

    const Installation &installation() const { return m_installation; }
    bool isPlayerBuild() const { return m_installation.isPlayer(); }

    // Start-up steps up to loading the style movie. The command line is the text
    // after the program name; exactly "player" switches on player mode.
    void startUp(const QString &commandLine);
    bool playerMode() const { return m_playerMode; }
    QString caption() const { return m_caption; }

    MenuPanel &menu() { return m_menu; }

    // The playlist selector (TS): the non-empty lines of playlist.txt.
    void refreshcombo();
    QStringList selectorItems() const { return m_selectorItems; }
    QString selectorText() const { return m_selectorText; }
    // The n-th item of the selector was chosen: plays the slot that item came from.
    void selectorChosen(int index);

    // The playlist editor's slots, loaded from the files on first use.
    PlaylistModel *playlist();
    // "edit playlist": TS refills the editor first; TSplayer only shows it.
    void editPlaylist();
    // The editor's OK: save, and in TS refill the selector from the file.
    void playlistEditorOk();
    // The editor window was closed: save; the next use re-creates it from the file.
    void playlistEditorClosed();

    int currentSlide() const { return m_currentSlide; }
    QString currentfile() const { return m_currentfile; }

    void playCurrentSlide();
    void load_next_slide();
    void load_first_slide();
    void load_previous_slide();

    // The movie control's command event.
    void FSCommand(const QString &command, const QString &args);

    void end_program();  // quit sequence
    void restart();      // restart sequence
    void exitNow();      // the exit buttons: end at once

    // Home-page texts.
    void zapFlash(const QString &name, const QString &value);
    QStringList saveFlash(const QString &name) const;
    bool save_text();
    void load_Text();
    void saveTextButton();
    void editTextButton();

    // checkflashversion: no movie loaded shrinks the movie control.
    void checkflashversion();
    void installFlash();

    // Notes go to the note program; when it cannot be started the window shows
    // the text itself (noteShown).
    void showNote(const QString &text);
    void hideMenu();

    // Utility buttons.
    void zandro();
    void browsePresentations();
    void browseForegrounds();
    void browseBackgrounds();
    void help();
    void helpProgram();   // "?"
    void website();       // "w"
    void logoClicked();
    void www();           // TSplayer
    void powerUser();
    // The design chooser, created (and its lists filled) on first use; its
    // double click restarts the shell.
    DesignChooser *designChooser();
    // "change" (TS) refills the chooser's lists and shows it; "configure"
    // (TSplayer) and the movie's "config" show it as it is.
    void changeDesign();
    void showDesignChooser();
    // "add files" (TS): the add-files window shows and opens its dialog.
    void addFiles();

signals:
    void captionChanged(const QString &caption);
    void selectorChanged(const QStringList &items);
    void selectorTextChanged(const QString &text);
    void currentfileChanged(const QString &text);
    void flashMissing();
    void noteShown(const QString &text);
    void playlistEditorRequested();
    void designChooserRequested(bool reloaded);
    void addFilesRequested();
    void programEnded();

private:
    QString slotEntry(int slot);
    void setCurrentSlide(int slot);
    void setSelectorText(const QString &text);
    void stopMovieAndCloseViewer();
    void startProgram(const QString &commandLine, platform::WindowState state);
    // Tells once per run that a settings file is too large to read: the player
    // reloads data.txt every 20 seconds, and one box is enough.
    void tellTooLarge(const QString &path);
    void openTarget(const QString &target);

    Installation m_installation;
    platform::Launcher &m_launcher;
    platform::Dialogs &m_dialogs;
    platform::WindowServices &m_windows;
    platform::MoviePlayer &m_movie;
    MenuPanel m_menu;
    std::unique_ptr<PlaylistModel> m_playlist;
    std::unique_ptr<DesignChooser> m_designChooser;
    bool m_playerMode = false;
    QString m_caption;
    QStringList m_selectorItems;
    QVector<int> m_selectorSlots;  // slot number of each selector item
    QString m_selectorText;
    int m_currentSlide = 0;
    QString m_currentfile;
    QSet<QString> m_toldTooLarge;  // settings files already told too large
};
