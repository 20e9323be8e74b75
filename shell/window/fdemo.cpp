#include "shell/window/fdemo.h"

#include "shell/core/designchooser.h"
#include "shell/core/playlistmodel.h"
#include "shell/core/shellcore.h"
#include "shell/window/addfileswindow.h"
#include "shell/window/frame1.h"
#include "shell/window/frmmain.h"
#include "shell/window/looks.h"
#include "shell/window/noteoverlay.h"
#include "shell/window/playlisteditor.h"
#include "shell/window/twipsrect.h"

#include "platform/movie/moviecontrol.h"
#include "platform/twips.h"
#include "platform/windowservices.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

FDemo::FDemo(const Installation &installation, platform::Launcher &launcher,
             platform::Dialogs &dialogs, platform::WindowServices &windows, MenuKeys &keys,
             QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_installation(installation),
      m_dialogs(dialogs),
      m_windows(windows),
      m_keys(keys)
{
    setObjectName(QStringLiteral("FDemo"));
    setWindowTitle(ShellCore::programTitle());
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::black);
    setPalette(colours);
    // Movement over the strips the movie control leaves uncovered reopens the menu.
    setMouseTracking(true);

    // The Flash-missing panel lies behind the movie control.
    buildFlashMissingPanel();

    m_flash = new platform::MovieControl(this);
    m_flash->setObjectName(QStringLiteral("ShockwaveFlash1"));
    m_flash->setAttribute(Qt::WA_NoMousePropagation);
    m_flash->setClearColor(Qt::black);

    m_core = std::make_unique<ShellCore>(installation, launcher, dialogs, windows, *m_flash);

    m_frame = new Frame1(installation.edition(), this);
    m_note = new NoteOverlay(this);

    connect(m_flash, &platform::MovieControl::FSCommand, m_core.get(), &ShellCore::FSCommand);
    connect(m_core.get(), &ShellCore::captionChanged, this, &QWidget::setWindowTitle);
    connect(m_core.get(), &ShellCore::flashMissing, this, [this] {
        // Shrunk to a tiny square, the control uncovers the Flash-missing panel.
        placeInTwips(m_flash, -100, 10, 100, 100);
    });
    connect(m_core.get(), &ShellCore::noteShown, m_note, &NoteOverlay::showNote);
    connect(m_core.get(), &ShellCore::playlistEditorRequested, this, &FDemo::showPlaylistEditor);
    connect(m_core.get(), &ShellCore::designChooserRequested, this, &FDemo::showDesignChooser);
    connect(m_core.get(), &ShellCore::addFilesRequested, this, &FDemo::showAddFiles);
    connect(m_core.get(), &ShellCore::programEnded, this, &FDemo::endProgram);
    wireFrame();

    m_checkflashversion.setObjectName(QStringLiteral("checkflashversion"));
    m_checkflashversion.setInterval(ShellCore::flashCheckInterval);
    connect(&m_checkflashversion, &QTimer::timeout, this, &FDemo::flashCheck);
    m_timer2.setObjectName(QStringLiteral("Timer2"));
    m_timer2.setInterval(m_core->menu().timerInterval());
    connect(&m_timer2, &QTimer::timeout, this, &FDemo::menuTick);
    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setInterval(ShellCore::reloadInterval);
    connect(&m_timer1, &QTimer::timeout, m_core.get(), &ShellCore::load_Text);

    m_endProgram = [] { QCoreApplication::exit(0); };
}

FDemo::~FDemo()
{
    if (m_editor)
        delete m_editor.data();
    if (m_designChooser)
        delete m_designChooser.data();
    if (m_addFiles)
        delete m_addFiles.data();
}

void FDemo::buildFlashMissingPanel()
{
    const bool player = m_installation.isPlayer();
    if (player) {
        auto *heading = new QLabel(QStringLiteral(" Note"), this);
        heading->setObjectName(QStringLiteral("noteHeading"));
        looks::makeTitleStrip(heading);
        placeInTwips(heading, 5880, 3120, 2895, 240);
    }
    auto *label2 = new QLabel(ShellCore::flashMissingText(), this);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->setWordWrap(true);
    label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label2->setFont(looks::tahoma());
    label2->setStyleSheet(QStringLiteral("color: white;"));
    if (player)
        placeInTwips(label2, 5880, 3360, 2895, 1575);
    else
        placeInTwips(label2, 5880, 3360, 2895, 1095);

    auto *install = new QPushButton(QStringLiteral("install flash"), this);
    install->setObjectName(QStringLiteral("installFlash"));
    install->setFont(looks::tahoma());
    connect(install, &QPushButton::clicked, this, [this] { m_core->installFlash(); });

    auto *second = new QPushButton(player ? QStringLiteral("restart") : QStringLiteral("exit"), this);
    second->setObjectName(player ? QStringLiteral("flashRestart") : QStringLiteral("flashExit"));
    second->setFont(looks::tahoma());
    if (player) {
        placeInTwips(install, 6000, 4320, 1335, 465);
        placeInTwips(second, 7440, 4320, 1215, 465);
        connect(second, &QPushButton::clicked, this, [this] { m_core->restart(); });
    } else {
        placeInTwips(install, 5880, 4560, 1335, 465);
        placeInTwips(second, 7560, 4560, 1215, 465);
        connect(second, &QPushButton::clicked, this, [this] { m_core->exitNow(); });
    }
}

void FDemo::wireFrame()
{
    ShellCore *core = m_core.get();
    const auto on = [this](const char *name, auto action) {
        if (QAbstractButton *button = m_frame->button(QLatin1String(name)))
            connect(button, &QAbstractButton::clicked, m_core.get(), action);
    };
    on("addFiles", [core] { core->addFiles(); });
    on("editPlaylist", [core] { core->editPlaylist(); });
    on("zandro", [core] { core->zandro(); });
    on("editText", [core] { core->editTextButton(); });
    on("saveText", [core] { core->saveTextButton(); });
    on("change", [core] { core->changeDesign(); });
    on("configure", [core] { core->changeDesign(); });
    on("presentation", [core] { core->browsePresentations(); });
    on("foregrounds", [core] { core->browseForegrounds(); });
    on("backgrounds", [core] { core->browseBackgrounds(); });
    on("help", [core] { core->help(); });
    on("restart", [core] { core->restart(); });
    on("powerUser", [core] { core->powerUser(); });
    on("exit", [core] { core->exitNow(); });
    on("exitRow", [core] { core->exitNow(); });
    on("hideMenu", [core] { core->hideMenu(); });
    on("previous", [core] { core->load_previous_slide(); });
    on("first", [core] { core->load_first_slide(); });
    on("next", [core] { core->load_next_slide(); });
    on("w", [core] { core->website(); });
    on("helpProgram", [core] { core->helpProgram(); });
    on("logo2", [core] { core->logoClicked(); });
    on("www", [core] { core->www(); });
    if (QPushButton *toggle = m_frame->mainMenuToggle()) {
        connect(toggle, &QPushButton::clicked, this,
                [this, toggle] { toggle->setText(m_core->menu().toggleMainMenu()); });
    }
    connect(core, &ShellCore::currentfileChanged, m_frame->currentfile(), &QLabel::setText);
    if (QComboBox *combo = m_frame->Combo1()) {
        connect(core, &ShellCore::selectorChanged, combo, [combo](const QStringList &items) {
            const QSignalBlocker blocker(combo);
            combo->clear();
            combo->addItems(items);
        });
        connect(core, &ShellCore::selectorTextChanged, combo, [combo](const QString &text) {
            const QSignalBlocker blocker(combo);
            combo->setEditText(text);
        });
        connect(combo, &QComboBox::activated, this, [this](int index) {
            setFocus();
            m_core->selectorChosen(index);
        });
    }
}

void FDemo::startUp(const QString &commandLine)
{
    m_core->startUp(commandLine);
    placePanel(m_core->menu().limit() - Frame1::createdHeight);
    m_timer2.start();
    if (m_core->playerMode())
        m_timer1.start();
    m_checkflashversion.start();

    // The whole virtual screen (all monitors), from the top left of the primary one.
    QSize screen = m_windows.virtualScreenSize();
    if (screen.isEmpty() && QGuiApplication::primaryScreen())
        screen = QGuiApplication::primaryScreen()->virtualSize();
    setGeometry(0, 0, screen.width(), screen.height());
    // Top 10, left -100, the window's width, its height less 200 twips: the top
    // row, a strip at the right and one at the bottom stay the window's own.
    const int widthTwips = platform::pixelsToTwipsX(screen.width());
    const int heightTwips = platform::pixelsToTwipsY(screen.height());
    placeInTwips(m_flash, -100, 10, widthTwips, heightTwips - 200);
    m_frame->raise();
    m_note->raise();
    show();
}

void FDemo::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_frame->fitToWindow(width());
    m_note->recentre();
}

void FDemo::mouseMoveEvent(QMouseEvent *event)
{
    m_core->menu().mouseOverSurface();
    QWidget::mouseMoveEvent(event);
}

void FDemo::menuTick()
{
    placePanel(m_core->menu().tick(m_keys));
}

void FDemo::flashCheck()
{
    m_core->checkflashversion();
}

void FDemo::placePanel(int topTwips)
{
    m_frame->move(0, platform::twipsToPixelsY(topTwips));
}

void FDemo::showPlaylistEditor()
{
    if (!m_editor) {
        m_editor = new PlaylistEditor(m_installation.edition(), m_core->playlist(), this);
        connect(m_editor, &PlaylistEditor::okClicked, m_core.get(), &ShellCore::playlistEditorOk);
        connect(m_editor, &PlaylistEditor::closed, this, [this] {
            m_core->playlistEditorClosed();
            m_editor->deleteLater();
            m_editor = nullptr;
        });
    }
    m_editor->show();
    m_editor->raise();
    m_editor->activateWindow();
}

void FDemo::showDesignChooser()
{
    if (!m_designChooser)
        m_designChooser = new FrmMain(m_core->designChooser(), this);
    m_designChooser->show();
    m_designChooser->raise();
    m_designChooser->activateWindow();
}

void FDemo::showAddFiles()
{
    if (m_installation.isPlayer())
        return;
    // Made at the first press, discarded with its status lines when closed.
    if (!m_addFiles) {
        m_addFiles = new AddFilesWindow(m_installation.installationFolder(), ShellCore::programTitle(),
                                        m_dialogs, AddFilesWindow::DoneButton::Without, this);
        m_addFiles->setAttribute(Qt::WA_DeleteOnClose);
    }
    // Coming from the show, the window's activation opens the dialog.
    m_addFiles->show();
    m_addFiles->raise();
    m_addFiles->activateWindow();
}

void FDemo::endProgram()
{
    m_checkflashversion.stop();
    m_timer1.stop();
    m_timer2.stop();
    if (m_endProgram)
        m_endProgram();
}

PlaylistEditor *FDemo::playlistEditor() const
{
    return m_editor.data();
}

FrmMain *FDemo::designChooserWindow() const
{
    return m_designChooser.data();
}

AddFilesWindow *FDemo::addFilesWindow() const
{
    return m_addFiles.data();
}
