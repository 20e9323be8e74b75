#include "shell/core/shellcore.h"

#include "shell/core/datafile.h"
#include "shell/core/designchooser.h"
#include "shell/core/playlistfile.h"
#include "shell/core/playlistmodel.h"
#include "shell/core/viewercommand.h"

#include "platform/dialogs.h"
#include "platform/filecopy.h"
#include "platform/movie/movie.h"
#include "platform/programfolder.h"
#include "platform/settingsfile.h"
#include "platform/windowservices.h"

#include <QFileInfo>

#include <algorithm>

using platform::WindowState;

namespace {

const QString tvViewerTitle = QStringLiteral("WinTV32");
constexpr int windowTitleLength = 255;

}  // namespace

ShellCore::ShellCore(const Installation &installation, platform::Launcher &launcher,
                     platform::Dialogs &dialogs, platform::WindowServices &windows,
                     platform::MoviePlayer &movie, QObject *parent)
    : QObject(parent),
      m_installation(installation),
      m_launcher(launcher),
      m_dialogs(dialogs),
      m_windows(windows),
      m_movie(movie),
      m_menu(installation.edition()),
      m_caption(programTitle())
{
}

ShellCore::~ShellCore() = default;

QString ShellCore::hideMenuNote()
{
    return QStringLiteral(
        "move your mouse to the top of the screen to bring the menu back or press the esc key "
        "to bring the menu back. This message will close in 10 seconds.");
}

QString ShellCore::flashMissingText()
{
    return QStringLiteral(
        "style.swf could not be found or Flash Player 7 has not been Installed. This program "
        "requires flash 7 or above. Please choose one of the options below.");
}

QString ShellCore::installFlashText()
{
    return QStringLiteral(
        "Tessaly will now close. You will then be asked if you want to install Macromedia Flash "
        "Player 7. Click the Yes Button. You may need administrator privileges. Consult your "
        "administrator if you are not sure. When the install completes, please restart Tessaly.");
}

QString ShellCore::editTextInstructions()
{
    return QStringLiteral(
        "select text on the home page and type over, when finished, click the save button");
}

// --- start-up -------------------------------------------------------------------

void ShellCore::startUp(const QString &commandLine)
{
    // 1. The selector (TS only).
    if (!isPlayerBuild())
        refreshcombo();
    // 2, 3. The menu height and state; the menu timer places the panel.
    m_menu.startUp();
    // 4. The next presentation: slot currentSlide of the playlist editor.
    setCurrentSlide(m_currentSlide);
    if (!isPlayerBuild())
        setSelectorText(m_currentfile);
    // 5. Player mode: the exact, case-sensitive word "player".
    if (commandLine == QLatin1String("player")) {
        m_playerMode = true;
        m_caption += QStringLiteral(" player");
        emit captionChanged(m_caption);
    }
    // 6. The style movie.
    const QString style = m_installation.stylePath();
    if (platform::fileExists(style))
        m_movie.Movie(style);
    else
        showNote(style + QStringLiteral(" cannot be found"));
}

// --- playlist selector and editor ---------------------------------------------------

void ShellCore::refreshcombo()
{
    platform::SettingsRead read = platform::SettingsRead::Read;
    const QStringList entries = PlaylistFile::read(m_installation.playlistPath(), &read);
    if (read == platform::SettingsRead::TooLarge)
        tellTooLarge(m_installation.playlistPath());
    m_selectorItems.clear();
    m_selectorSlots.clear();
    for (int slot = 0; slot < entries.size(); ++slot) {
        if (entries.at(slot).isEmpty())
            continue;
        m_selectorItems << entries.at(slot);
        m_selectorSlots << slot;
    }
    emit selectorChanged(m_selectorItems);
    setSelectorText(m_selectorItems.value(0));
}

void ShellCore::selectorChosen(int index)
{
    if (index < 0 || index >= m_selectorSlots.size())
        return;
    // The selector lists only the non-empty slots: the item's own slot plays, not
    // the slot at the item's position.
    m_currentSlide = m_selectorSlots.at(index);
    load_next_slide();
    setSelectorText(m_currentfile);
}

PlaylistModel *ShellCore::playlist()
{
    if (!m_playlist) {
        m_playlist = std::make_unique<PlaylistModel>(m_installation.playlistPath(),
                                                     m_installation.presentationsFolder());
        connect(m_playlist.get(), &PlaylistModel::playlistTooLarge, this,
                &ShellCore::tellTooLarge);
        m_playlist->ReloadPlaylist();
    }
    return m_playlist.get();
}

void ShellCore::editPlaylist()
{
    if (!isPlayerBuild() && m_playlist)
        m_playlist->ReloadPlaylist();
    else
        playlist();
    emit playlistEditorRequested();
}

void ShellCore::playlistEditorOk()
{
    playlist()->save_playlist();
    if (!isPlayerBuild())
        refreshcombo();
}

void ShellCore::playlistEditorClosed()
{
    if (m_playlist)
        m_playlist->save_playlist();
    m_playlist.reset();
}

// --- playback -----------------------------------------------------------------------

QString ShellCore::slotEntry(int slot)
{
    return playlist()->slotText(slot);
}

void ShellCore::setCurrentSlide(int slot)
{
    m_currentSlide = slot;
    m_currentfile = slotEntry(slot);
    emit currentfileChanged(m_currentfile);
}

void ShellCore::setSelectorText(const QString &text)
{
    m_selectorText = text;
    emit selectorTextChanged(text);
}

void ShellCore::playCurrentSlide()
{
    platform::SettingsRead read = platform::SettingsRead::Read;
    const QString viewer = ViewerCommand::read(m_installation.viewerCommandPath(), &read);
    if (read == platform::SettingsRead::TooLarge)
        tellTooLarge(m_installation.viewerCommandPath());
    const QString path = m_installation.presentationPath(slotEntry(m_currentSlide));
    if (path.endsWith(QLatin1Char('/')))  // an empty slot
        return;
    if (!platform::fileExists(path))
        return;
    const QString commandLine = ViewerCommand::complete(viewer, path);
    if (commandLine.isEmpty())  // no viewer named: nothing to play
        return;
    m_launcher.startProcess(commandLine, QString(), WindowState::Normal);
}

void ShellCore::load_next_slide()
{
    playCurrentSlide();
    if (m_currentSlide < lastSlot) {
        setCurrentSlide(m_currentSlide + 1);
        if (!isPlayerBuild())
            setSelectorText(m_currentfile);
    }
}

void ShellCore::load_first_slide()
{
    m_currentSlide = 0;
    load_next_slide();
}

void ShellCore::load_previous_slide()
{
    if (m_currentSlide == 0)
        return;
    if (m_currentSlide != lastSlot)
        setCurrentSlide(m_currentSlide - 1);
    playCurrentSlide();
    if (m_currentSlide != lastSlot)
        setCurrentSlide(m_currentSlide + 1);
}

// --- the movie's commands -------------------------------------------------------------

void ShellCore::FSCommand(const QString &command, const QString &args)
{
    Q_UNUSED(args);
    const auto is = [&command](const char *name) {
        return command.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    if (is("quit"))
        end_program();
    else if (is("load"))
        load_Text();
    else if (is("save"))
        save_text();
    else if (is("korvane_next_slide"))
        load_next_slide();
    else if (is("korvane_previous_slide"))
        load_previous_slide();
    else if (is("config"))
        showDesignChooser();
    else if (is("restart"))
        restart();
}

// --- quit and restart -------------------------------------------------------------------

void ShellCore::stopMovieAndCloseViewer()
{
    m_movie.StopPlay();
    m_movie.Movie(QString());
    // The TV viewer: only when a window is titled exactly "WinTV32" are the
    // windows whose titles hold it closed.
    const QList<platform::TopLevelWindow> windows = m_windows.topLevelWindows();
    const bool viewerOpen =
        std::any_of(windows.begin(), windows.end(), [](const platform::TopLevelWindow &window) {
            return window.title == tvViewerTitle;
        });
    if (!viewerOpen)
        return;
    for (const platform::TopLevelWindow &window : windows) {
        if (window.title.left(windowTitleLength).contains(tvViewerTitle, Qt::CaseSensitive))
            m_windows.requestClose(window.id);
    }
}

void ShellCore::end_program()
{
    stopMovieAndCloseViewer();
    emit programEnded();
}

void ShellCore::restart()
{
    stopMovieAndCloseViewer();
    startProgram(QStringLiteral("ts.exe"), WindowState::Normal);
    emit programEnded();
}

void ShellCore::exitNow()
{
    emit programEnded();
}

// --- home-page texts ----------------------------------------------------------------------

void ShellCore::zapFlash(const QString &name, const QString &value)
{
    m_movie.SetVariable(name, value);
}

QStringList ShellCore::saveFlash(const QString &name) const
{
    return DataFile::block(name, m_movie.GetVariable(name));
}

bool ShellCore::save_text()
{
    QStringList lines;
    for (const QString &name : DataFile::variableNames())
        lines << saveFlash(name);
    const QString path = m_installation.dataWritePath();

    // A data.txt whose texts could not all be read (the movie shows the texts it
    // had before, and a save would write them over the file) is kept beside the
    // new one, so that nothing it holds is lost. When it cannot be kept, it is
    // not written over.
    const QString kept = path + QStringLiteral(".bak");
    const bool keepOld = DataFile::hasUnreadTexts(path);
    if (keepOld) {
        QString error;
        if (!platform::copyFileAtomically(path, kept, &error)) {
            m_dialogs.messageBox(
                programTitle(),
                QStringLiteral("%1 holds texts that could not be read, and it could not be kept "
                               "as %2 (%3); the data has not been saved")
                    .arg(path, kept, error));
            return false;
        }
    }

    if (!platform::writeSettingsLines(path, lines)) {
        // The texts stay in the movie and the old file stays as it was.
        m_dialogs.messageBox(programTitle(),
                             path + QStringLiteral(" could not be written; the data has not been saved"));
        return false;
    }
    QString done = QStringLiteral("data has been saved");
    if (keepOld) {
        done += QStringLiteral("\n\nThe texts of the old %1 could not be read; it is kept as %2.")
                    .arg(QFileInfo(path).fileName(), kept);
    }
    m_dialogs.messageBox(programTitle(), done);
    return true;
}

void ShellCore::load_Text()
{
    QStringList lines;
    const QString path = m_installation.dataReadPath();
    switch (platform::readSettingsFile(path, &lines)) {
    case platform::SettingsRead::Read:
        break;
    case platform::SettingsRead::NotOpened:
        return;  // a missing data.txt loads nothing and changes no variable
    case platform::SettingsRead::TooLarge:
        tellTooLarge(path);
        return;
    }
    for (const auto &[name, text] : DataFile::parse(lines))
        zapFlash(name, text);
}

void ShellCore::saveTextButton()
{
    playlist()->save_playlist();
    save_text();
}

void ShellCore::editTextButton()
{
    m_dialogs.messageBox(programTitle(), editTextInstructions());
}

// --- Flash check -----------------------------------------------------------------------------

void ShellCore::checkflashversion()
{
    if (m_movie.PercentLoaded() == 0)
        emit flashMissing();
}

void ShellCore::installFlash()
{
    m_dialogs.messageBox(programTitle(), installFlashText());
    const QString installer =
        m_installation.inWorkingFolder(QStringLiteral("flash/Install Flash Player 7 AX"));
    startProgram(QLatin1Char('"') + installer + QLatin1Char('"'), WindowState::Maximised);
    emit programEnded();
}

// --- notes -------------------------------------------------------------------------------------

void ShellCore::showNote(const QString &text)
{
    if (!m_launcher.startProcess(QStringLiteral("splash.exe note: ") + text, QString(),
                                 WindowState::Normal))
        emit noteShown(text);
}

void ShellCore::tellTooLarge(const QString &path)
{
    if (m_toldTooLarge.contains(path))
        return;
    m_toldTooLarge.insert(path);
    m_dialogs.messageBox(programTitle(), platform::settingsFileTooLargeText(path));
}

void ShellCore::hideMenu()
{
    m_menu.hide();
    showNote(hideMenuNote());
}

// --- utility buttons ------------------------------------------------------------------------------

void ShellCore::startProgram(const QString &commandLine, WindowState state)
{
    m_launcher.startProcess(commandLine, QString(), state);
}

void ShellCore::openTarget(const QString &target)
{
    m_launcher.openTarget(target, m_installation.workingFolder());
}

void ShellCore::zandro() { startProgram(QStringLiteral("zandro.exe"), WindowState::Normal); }

void ShellCore::browsePresentations() { openTarget(m_installation.presentationsFolder()); }

void ShellCore::browseForegrounds() { openTarget(m_installation.stylesFolder()); }

void ShellCore::browseBackgrounds() { openTarget(m_installation.backgroundsFolder()); }

void ShellCore::help() { openTarget(m_installation.inWorkingFolder(QStringLiteral("help.htm"))); }

void ShellCore::helpProgram()
{
    startProgram(QLatin1Char('"') + m_installation.inInstallation(QStringLiteral("help")) +
                     QLatin1Char('"'),
                 WindowState::Normal);
}

void ShellCore::website() { openTarget(webSite()); }

void ShellCore::logoClicked() { openTarget(webSite()); }

void ShellCore::www() { openTarget(playerWebSite()); }

void ShellCore::powerUser() { startProgram(QStringLiteral("TSPowerUser.exe"), WindowState::Normal); }

DesignChooser *ShellCore::designChooser()
{
    if (!m_designChooser) {
        m_designChooser = std::make_unique<DesignChooser>(m_installation, m_dialogs);
        connect(m_designChooser.get(), &DesignChooser::restartRequested, this, &ShellCore::restart);
        m_designChooser->reloadfilelist();
    }
    return m_designChooser.get();
}

void ShellCore::changeDesign()
{
    if (isPlayerBuild()) {
        showDesignChooser();
        return;
    }
    // A chooser made now has just filled its lists.
    if (m_designChooser)
        m_designChooser->reloadfilelist();
    else
        designChooser();
    emit designChooserRequested(true);
}

void ShellCore::showDesignChooser()
{
    designChooser();
    emit designChooserRequested(false);
}

void ShellCore::addFiles() { emit addFilesRequested(); }
