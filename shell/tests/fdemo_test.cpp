// The shell's windows on the offscreen platform, with the desktop recorded.
#include "shell/core/menukeys.h"
#include "shell/core/playlistfile.h"
#include "shell/core/playlistmodel.h"
#include "shell/core/shellcore.h"
#include "shell/window/fdemo.h"
#include "shell/window/frame1.h"
#include "shell/window/noteoverlay.h"
#include "shell/window/playlisteditor.h"
#include "shell/window/systemmenukeys.h"
#include "shell/window/twipsrect.h"

#include "platform/fonts.h"
#include "platform/movie/moviecontrol.h"
#include "platform/testing/recorders.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace platform::testing;

namespace {

class FakeKeys : public MenuKeys {
public:
    bool keyPressed(int key) override { return once.remove(key); }
    QSet<int> once;
};

struct Control {
    const char *name;
    const char *caption;
    int left, top, width, height;
    const char *toolTip;
};

}  // namespace

class FDemoTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<RecordingLauncher> m_launcher;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<FakeWindowServices> m_windows;
    std::unique_ptr<FakeKeys> m_keys;
    std::unique_ptr<FDemo> m_fdemo;
    int m_ended = 0;

    QString folder() const { return m_root->path() + "/inst"; }

    void write(const QString &name, const QByteArray &bytes)
    {
        QFile file(folder() + "/" + name);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    FDemo &start(Edition edition, const QString &commandLine = QString())
    {
        m_fdemo = std::make_unique<FDemo>(Installation(edition, folder(), folder()), *m_launcher,
                                          *m_dialogs, *m_windows, *m_keys);
        m_fdemo->setEndProgram([this] { ++m_ended; });
        m_fdemo->startUp(commandLine);
        return *m_fdemo;
    }

    static int panelTop(FDemo &fdemo) { return fdemo.frame()->y(); }
    static int px(int twips) { return platform::twipsToPixelsY(twips); }

    void checkControls(Frame1 *frame, const QList<Control> &controls)
    {
        for (const Control &c : controls) {
            QWidget *widget = frame->findChild<QWidget *>(c.name);
            QVERIFY2(widget, c.name);
            QCOMPARE(widget->geometry(), twipsRect(c.left, c.top, c.width, c.height));
            QCOMPARE(widget->font().family(), QStringLiteral("Tahoma"));
            QCOMPARE(widget->toolTip(), QString::fromUtf8(c.toolTip));
            if (auto *button = qobject_cast<QAbstractButton *>(widget))
                QCOMPARE(button->text(), QString::fromUtf8(c.caption));
            else if (auto *label = qobject_cast<QLabel *>(widget))
                QCOMPARE(label->text(), QString::fromUtf8(c.caption));
            // The caption is not cut off.
            QVERIFY2(widget->fontMetrics().horizontalAdvance(QString::fromUtf8(c.caption)) <= widget->width(),
                     c.name);
        }
    }

private slots:
    // With the Tahoma-metric font the programs register, so that the checks that
    // captions fit use the metrics the windows are laid out for.
    void initTestCase() { QVERIFY(platform::registerTahoma()); }

    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        QDir(m_root->path()).mkpath("inst/powerpoint.files");
        m_launcher = std::make_unique<RecordingLauncher>();
        m_dialogs = std::make_unique<ScriptedDialogs>();
        m_windows = std::make_unique<FakeWindowServices>();
        m_windows->screenSize = QSize(1280, 720);
        m_keys = std::make_unique<FakeKeys>();
        m_ended = 0;
        QByteArray playlist = "A.odp\r\nB.odp\r\nC.odp\r\n";
        playlist += QByteArray("\r\n").repeated(16);
        write("playlist.txt", playlist);
        write("powerpoint_location.txt", "viewer --show\r\n");
        for (const char *name : {"A.odp", "B.odp", "C.odp"})
            write(QString("powerpoint.files/") + name, "show");
    }

    void cleanup()
    {
        m_fdemo.reset();
        m_root.reset();
    }

    void startUpCoversTheVirtualScreen()
    {
        FDemo &fdemo = start(Edition::Full);
        QCOMPARE(fdemo.geometry(), QRect(0, 0, 1280, 720));
        QVERIFY(fdemo.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(fdemo.windowTitle(), QStringLiteral("Korvane Tessaly"));
        QVERIFY(fdemo.isVisible());
        const int w = platform::pixelsToTwipsX(1280);
        const int h = platform::pixelsToTwipsY(720);
        QCOMPARE(fdemo.ShockwaveFlash1()->geometry(), twipsRect(-100, 10, w, h - 200));
        // The top row, a right and a bottom strip stay the window's own surface.
        QVERIFY(fdemo.ShockwaveFlash1()->geometry().top() >= 1);
        QVERIFY(fdemo.ShockwaveFlash1()->geometry().right() < 1279);
        QVERIFY(fdemo.ShockwaveFlash1()->geometry().bottom() < 719);
        QCOMPARE(fdemo.frame()->width(), 1280 - platform::twipsToPixelsX(230));
        QCOMPARE(panelTop(fdemo), px(950 - 3015));
        QVERIFY(fdemo.checkflashversion()->isActive());
        QCOMPARE(fdemo.checkflashversion()->interval(), 2000);
        QVERIFY(fdemo.Timer2()->isActive());
        QCOMPARE(fdemo.Timer2()->interval(), 200);
        QVERIFY(!fdemo.Timer1()->isActive());
        QCOMPARE(fdemo.frame()->currentfile()->text(), QStringLiteral("A.odp"));
        QCOMPARE(fdemo.frame()->Combo1()->count(), 3);
        QCOMPARE(fdemo.frame()->Combo1()->currentText(), QStringLiteral("A.odp"));
    }

    void playerModeRunsTheReloadTimer()
    {
        FDemo &fdemo = start(Edition::Full, "player");
        QCOMPARE(fdemo.windowTitle(), QStringLiteral("Korvane Tessaly player"));
        QVERIFY(fdemo.Timer1()->isActive());
        QCOMPARE(fdemo.Timer1()->interval(), 20000);
    }

    void fullPanelHoldsEveryControl()
    {
        FDemo &fdemo = start(Edition::Full);
        checkControls(fdemo.frame(), {
            {"addFiles", "add files", 3000, 840, 1455, 315, "add powerpoint files to your playlist"},
            {"editPlaylist", "edit playlist", 3000, 1320, 1455, 315, "arrange powerpoint files in a playlist"},
            {"zandro", "zandro", 3000, 1800, 1455, 315, "export your playlist for stand alone use"},
            {"editText", "edit text", 5040, 1320, 1095, 315, ""},
            {"saveText", "save text", 5040, 1800, 1095, 315, ""},
            {"change", "change", 6480, 1320, 1095, 300, ""},
            {"presentation", "presentation", 8040, 840, 1455, 315, ""},
            {"foregrounds", "foregrounds", 8040, 1320, 1455, 315, ""},
            {"backgrounds", "backgrounds", 8040, 1800, 1455, 315, ""},
            {"help", "help", 9840, 720, 1215, 315, ""},
            {"restart", "restart", 9840, 1080, 1215, 300, ""},
            {"powerUser", "power user", 9840, 1440, 1215, 315, "launch poweruser commands"},
            {"nextLabel", "next:", 120, 2160, 495, 255, ""},
            {"currentfile", "A.odp", 600, 2160, 3255, 255, ""},
            {"exit", "exit [x]", 0, 2760, 855, 240, ""},
            {"mainMenu", "+ main menu", 960, 2760, 1440, 240, ""},
            {"hideMenu", "hide menu", 2520, 2760, 1080, 240, ""},
            {"previous", "<< Previous", 4200, 2760, 1200, 240, "replay previous presentation"},
            {"first", "First >", 5520, 2760, 840, 240, "start 1st presentation again"},
            {"next", "Next >>", 6480, 2760, 1080, 240, "next presentation"},
            {"w", "w", 10680, 2760, 255, 240, "visit the korvane website"},
            {"helpProgram", "?", 11040, 2760, 255, 240, "visit the korvane website"},
        });
        QComboBox *combo = fdemo.frame()->Combo1();
        QCOMPARE(combo->x(), platform::twipsToPixelsX(7680));
        QCOMPARE(combo->width(), platform::twipsToPixelsX(2895));
        QStringList groups;
        for (QGroupBox *group : fdemo.frame()->findChildren<QGroupBox *>()) {
            groups << group->title();
            // Titles readable on the light panel: dark blue, as the title strips.
            QCOMPARE(group->palette().color(QPalette::WindowText), QColor(0x06, 0x2B, 0x50));
        }
        groups.sort();
        QCOMPARE(groups, QStringList({"browse folders", "design", "home page", "presentation", "text", "utility"}));
        auto *main = fdemo.frame()->findChild<QLabel *>("mainMenuTitle");
        auto *play = fdemo.frame()->findChild<QLabel *>("playMenuTitle");
        QCOMPARE(main->text(), QStringLiteral(" Korvane Tessaly - Main Menu  esc key to show / hide menus"));
        QCOMPARE(play->text(), QStringLiteral(" Korvane Tessaly - Play Menu   esc key to show / hide menu"));
        QCOMPARE(play->y(), px(2475));
        QCOMPARE(play->width(), 1280);
        QCOMPARE(fdemo.frame()->palette().color(QPalette::Window), QColor(0xDE, 0xDE, 0xEB));
        QCOMPARE(main->palette().color(QPalette::Window), QColor(0x06, 0x2B, 0x50));
    }

    void playerPanelHoldsEveryControl()
    {
        FDemo &fdemo = start(Edition::Player);
        checkControls(fdemo.frame(), {
            {"configure", "configure", 120, 480, 1215, 315, ""},
            {"restart", "restart", 120, 892, 1215, 315, ""},
            {"saveText", "save texts", 120, 1320, 1215, 315, ""},
            {"editPlaylist", "edit playlist", 120, 1680, 1215, 315, ""},
            {"exit", "exit", 120, 2040, 1215, 315, ""},
            {"help", "help", 7200, 1200, 2295, 315, ""},
            {"powerUser", "power user extensions", 7200, 1920, 2295, 315, ""},
            {"playerName", "Korvane TS Player", 0, 2760, 1815, 240, ""},
            {"exitRow", "[] exit", 1920, 2760, 735, 240, "exit the program completely"},
            {"hideMenu", "hide", 2760, 2760, 495, 240, "hide menu"},
            {"nextLabel", "next:", 3360, 2760, 480, 240, ""},
            {"previous", "<<", 7080, 2760, 615, 240, "replay the previous presentation"},
            {"first", ">", 7800, 2760, 615, 240, "start the first presentation"},
            {"next", ">>", 8520, 2760, 615, 240, "start the next presentation"},
            {"www", "www", 9240, 2760, 615, 240, "visit korvane tessaly website"},
            {"escLabel", "esc key to show / hide menu", 9960, 2760, 3015, 240, ""},
        });
        QVERIFY(!fdemo.frame()->Combo1());
        QVERIFY(!fdemo.frame()->button("zandro"));
        QVERIFY(!fdemo.frame()->button("w"));
        QVERIFY(!fdemo.frame()->button("mainMenu"));
        QCOMPARE(fdemo.frame()->findChild<QLabel *>("mainMenuTitle")->text(),
                 QStringLiteral(" Korvane Tessaly - Main Menu"));
        QCOMPARE(fdemo.frame()->width(), 1280);
        QCOMPARE(fdemo.Timer2()->interval(), 300);
        QCOMPARE(panelTop(fdemo), px(700 - 3015));
        QCOMPARE(fdemo.frame()->palette().color(QPalette::Window), QColor(0x06, 0x2B, 0x50));
    }

    void flashCheckUncoversTheFlashMissingPanel()
    {
        QFile::remove(folder() + "/style.swf");
        m_launcher->result = false;  // no note program can be started
        FDemo &fdemo = start(Edition::Full);
        auto *label2 = fdemo.findChild<QLabel *>("Label2");
        QVERIFY(label2);
        QCOMPARE(label2->text(), ShellCore::flashMissingText());
        QCOMPARE(label2->geometry(), twipsRect(5880, 3360, 2895, 1095));
        QCOMPARE(fdemo.findChild<QPushButton *>("installFlash")->geometry(), twipsRect(5880, 4560, 1335, 465));
        QCOMPARE(fdemo.findChild<QPushButton *>("flashExit")->text(), QStringLiteral("exit"));
        QCOMPARE(fdemo.findChild<QPushButton *>("flashExit")->geometry(), twipsRect(7560, 4560, 1215, 465));
        // Behind the movie control until the check shrinks it.
        QVERIFY(fdemo.ShockwaveFlash1()->geometry().contains(label2->geometry()));
        QCOMPARE(fdemo.ShockwaveFlash1()->PercentLoaded(), 0);
        fdemo.flashCheck();
        QCOMPARE(fdemo.ShockwaveFlash1()->geometry(), twipsRect(-100, 10, 100, 100));
        QVERIFY(!fdemo.ShockwaveFlash1()->geometry().intersects(label2->geometry()));

        // No note program: the shell shows the note itself, centred on the show.
        QVERIFY(fdemo.note()->isVisible());
        QCOMPARE(fdemo.note()->text(), folder() + "/style.swf cannot be found");
        QVERIFY(qAbs(fdemo.note()->geometry().center().x() - fdemo.width() / 2) <= 1);

        QTest::mouseClick(fdemo.findChild<QPushButton *>("flashExit"), Qt::LeftButton);
        QCOMPARE(m_ended, 1);
        QCOMPARE(m_launcher->commandLines(),  // only the note of the missing style
                 QStringList({"splash.exe note: " + folder() + "/style.swf cannot be found"}));
    }

    void playerFlashPanelOffersRestart()
    {
        FDemo &fdemo = start(Edition::Player);
        QCOMPARE(fdemo.findChild<QLabel *>("noteHeading")->text(), QStringLiteral(" Note"));
        QCOMPARE(fdemo.findChild<QLabel *>("noteHeading")->pos(), twipsRect(5880, 3120, 0, 0).topLeft());
        QCOMPARE(fdemo.findChild<QLabel *>("Label2")->geometry(), twipsRect(5880, 3360, 2895, 1575));
        QCOMPARE(fdemo.findChild<QPushButton *>("installFlash")->pos(), twipsRect(6000, 4320, 0, 0).topLeft());
        QPushButton *restart = fdemo.findChild<QPushButton *>("flashRestart");
        QCOMPARE(restart->text(), QStringLiteral("restart"));
        QCOMPARE(restart->pos(), twipsRect(7440, 4320, 0, 0).topLeft());
        QVERIFY(!fdemo.findChild<QPushButton *>("flashExit"));
        m_launcher->processes.clear();
        QTest::mouseClick(restart, Qt::LeftButton);
        QCOMPARE(m_launcher->commandLines(), QStringList({"ts.exe"}));
        QCOMPARE(m_ended, 1);
    }

    void installFlashWarnsAndEnds()
    {
        FDemo &fdemo = start(Edition::Full);
        m_launcher->processes.clear();
        QTest::mouseClick(fdemo.findChild<QPushButton *>("installFlash"), Qt::LeftButton);
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages[0].text, ShellCore::installFlashText());
        QCOMPARE(m_launcher->processes.size(), 1);
        QCOMPARE(m_ended, 1);
    }

    void desktopKeysToggleTheMenuThroughTheWindowServices()
    {
        SystemMenuKeys desktopKeys(*m_windows);
        FDemo fdemo(Installation(Edition::Full, folder(), folder()), *m_launcher, *m_dialogs,
                    *m_windows, desktopKeys);
        fdemo.setEndProgram([this] { ++m_ended; });
        fdemo.startUp(QString());
        fdemo.Timer2()->stop();
        using platform::Key;
        const QList<QList<Key>> combinations = {
            {Key::Escape}, {Key::F10}, {Key::M, Key::Control}, {Key::F4, Key::Alt}};
        bool open = true;
        for (const QList<Key> &combination : combinations) {
            for (Key key : combination)
                m_windows->pressOnce(key);
            fdemo.menuTick();
            open = !open;
            QCOMPARE(panelTop(fdemo), open ? px(950 - 3015 - 430) : px(-3015));
        }
        // Half a combination, or Shift and Space, do nothing.
        for (Key key : {Key::M, Key::Control, Key::F4, Key::Alt, Key::Shift, Key::Space}) {
            m_windows->pressOnce(key);
            fdemo.menuTick();
            QCOMPARE(panelTop(fdemo), px(950 - 3015 - 430));
        }
        // A held key toggles on every tick.
        m_windows->keysDown.insert(Key::Escape);
        fdemo.menuTick();
        QCOMPARE(panelTop(fdemo), px(-3015));
        fdemo.menuTick();
        QCOMPARE(panelTop(fdemo), px(950 - 3015 - 430));
        m_windows->keysDown.clear();
        // The menu timer drives the same tick.
        m_windows->pressOnce(Key::F10);
        fdemo.Timer2()->start();
        QTRY_COMPARE(panelTop(fdemo), px(-3015));
    }

    void mouseOnTheTopRowBringsTheMenuBack()
    {
        FDemo &fdemo = start(Edition::Full);
        fdemo.Timer2()->stop();
        fdemo.core()->menu().hide();
        fdemo.menuTick();
        QCOMPARE(panelTop(fdemo), px(-3015));
        // Over the movie control: nothing.
        QTest::mouseMove(fdemo.ShockwaveFlash1(), QPoint(300, 300));
        fdemo.menuTick();
        QCOMPARE(fdemo.core()->menu().menuState(), QStringLiteral("closed"));
        // The top pixel row is the window's own surface.
        QTest::mouseMove(&fdemo, QPoint(640, 0));
        fdemo.menuTick();
        QCOMPARE(fdemo.core()->menu().menuState(), QStringLiteral("open"));
        QCOMPARE(panelTop(fdemo), px(950 - 3015 - 430));
    }

    void mouseOverThePanelDoesNothing()
    {
        FDemo &fdemo = start(Edition::Full);
        fdemo.Timer2()->stop();
        fdemo.menuTick();
        fdemo.core()->menu().setMenuState("closed");
        // The panel still stands where it was until the next tick.
        QTest::mouseMove(fdemo.frame(), QPoint(100, fdemo.frame()->height() - 5));
        QCOMPARE(fdemo.core()->menu().menuState(), QStringLiteral("closed"));
    }

    void mainMenuToggleAndHideMenu()
    {
        FDemo &fdemo = start(Edition::Full);
        fdemo.Timer2()->stop();
        QPushButton *toggle = fdemo.frame()->mainMenuToggle();
        QTest::mouseClick(toggle, Qt::LeftButton);
        QCOMPARE(toggle->text(), QStringLiteral("- play menu"));
        fdemo.menuTick();
        QCOMPARE(panelTop(fdemo), px(-45));

        m_launcher->result = false;  // no note program: the shell shows the note
        QTest::mouseClick(fdemo.frame()->button("hideMenu"), Qt::LeftButton);
        QVERIFY(fdemo.note()->isVisible());
        QCOMPARE(fdemo.note()->text(), ShellCore::hideMenuNote());
        QVERIFY(fdemo.note()->closeTimer()->isActive());
        QCOMPARE(fdemo.note()->closeTimer()->interval(), 10000);
        fdemo.menuTick();
        QCOMPARE(panelTop(fdemo), px(-3015));
        m_keys->once.insert(MenuKeys::Escape);
        fdemo.menuTick();
        QCOMPARE(panelTop(fdemo), px(-45));  // the main menu, not the play menu

        QTest::mouseClick(toggle, Qt::LeftButton);
        QCOMPARE(toggle->text(), QStringLiteral("+ main menu"));
        fdemo.menuTick();
        QCOMPARE(panelTop(fdemo), px(950 - 3015 - 430));
    }

    void playButtonsAndSelector()
    {
        FDemo &fdemo = start(Edition::Full);
        m_launcher->processes.clear();
        QTest::mouseClick(fdemo.frame()->button("next"), Qt::LeftButton);
        QCOMPARE(m_launcher->commandLines(),
                 QStringList({"viewer --show \"" + folder() + "/powerpoint.files/A.odp\""}));
        QCOMPARE(fdemo.frame()->currentfile()->text(), QStringLiteral("B.odp"));
        QCOMPARE(fdemo.frame()->Combo1()->currentText(), QStringLiteral("B.odp"));
        QTest::mouseClick(fdemo.frame()->button("previous"), Qt::LeftButton);
        QCOMPARE(m_launcher->commandLines().last(), "viewer --show \"" + folder() + "/powerpoint.files/A.odp\"");
        QTest::mouseClick(fdemo.frame()->button("first"), Qt::LeftButton);
        QCOMPARE(m_launcher->processes.size(), 3);
        QCOMPARE(fdemo.core()->currentSlide(), 1);

        QComboBox *combo = fdemo.frame()->Combo1();
        combo->setCurrentIndex(2);
        emit combo->activated(2);
        QCOMPARE(m_launcher->commandLines().last(), "viewer --show \"" + folder() + "/powerpoint.files/C.odp\"");
        QCOMPARE(fdemo.core()->currentSlide(), 3);
        QCOMPARE(combo->currentText(), QString());
    }

    void utilityButtonsStartTheirPrograms()
    {
        FDemo &fdemo = start(Edition::Full);
        m_launcher->processes.clear();
        for (const char *name : {"zandro", "powerUser", "helpProgram"})
            QTest::mouseClick(fdemo.frame()->button(name), Qt::LeftButton);
        QCOMPARE(m_launcher->commandLines(),
                 QStringList({"zandro.exe", "TSPowerUser.exe", "\"" + folder() + "/help\""}));
        for (const char *name : {"presentation", "foregrounds", "backgrounds", "help", "w", "logo2"})
            QTest::mouseClick(fdemo.frame()->button(name), Qt::LeftButton);
        QCOMPARE(m_launcher->targets.size(), 6);
        QCOMPARE(m_launcher->targets[0].target, folder() + "/powerpoint.files");
        QCOMPARE(m_launcher->targets[5].target, ShellCore::webSite());
        QTest::mouseClick(fdemo.frame()->button("editText"), Qt::LeftButton);
        QCOMPARE(m_dialogs->messages.last().text, ShellCore::editTextInstructions());
        QCOMPARE(m_ended, 0);
        QTest::mouseClick(fdemo.frame()->button("exit"), Qt::LeftButton);
        QCOMPARE(m_ended, 1);
    }

    void playlistEditorInsertsDeletesAndSaves()
    {
        FDemo &fdemo = start(Edition::Full);
        fdemo.show();
        QTest::mouseClick(fdemo.frame()->button("editPlaylist"), Qt::LeftButton);
        PlaylistEditor *editor = fdemo.playlistEditor();
        QVERIFY(editor);
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->windowTitle(), QStringLiteral("korvane powerpoint commander playlist"));
        QCOMPARE(editor->size(), twipsRect(0, 0, 4800, 7530).size());
        QCOMPARE(editor->findChild<QLabel *>("menulabel")->text(), QStringLiteral(" Playlist"));
        QCOMPARE(editor->okButton()->toolTip(), QStringLiteral("confirm your changes"));
        QCOMPARE(editor->okButton()->geometry(), twipsRect(3720, 240, 735, 255));
        QCOMPARE(editor->Combo1(18)->pos(), twipsRect(480, 600 + 360 * 18, 0, 0).topLeft());
        QCOMPARE(editor->LabelGuide(18)->text(), QStringLiteral("19"));
        QComboBox *second = editor->Combo1(1);
        QCOMPARE(second->currentText(), QStringLiteral("B.odp"));
        QCOMPARE(second->itemText(0), QStringLiteral("+Insert"));
        QCOMPARE(second->itemText(1), QStringLiteral("-Delete"));
        QCOMPARE(second->count(), 5);

        // The slot takes the focus, a file is picked, then "+Insert".
        editor->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(editor));
        second->setFocus(Qt::MouseFocusReason);
        QCOMPARE(fdemo.core()->playlist()->lastValue(), QStringLiteral("B.odp"));
        const int cIndex = second->findText("C.odp");
        second->setCurrentIndex(cIndex);
        emit second->activated(cIndex);
        QCOMPARE(second->currentText(), QStringLiteral("C.odp"));
        second->setCurrentIndex(0);
        emit second->activated(0);
        QCOMPARE(editor->Combo1(0)->currentText(), QStringLiteral("A.odp"));
        QCOMPARE(editor->Combo1(1)->currentText(), QStringLiteral("-choose one-"));
        QCOMPARE(editor->Combo1(2)->currentText(), QStringLiteral("B.odp"));
        QCOMPARE(editor->Combo1(3)->currentText(), QStringLiteral("C.odp"));

        QComboBox *first = editor->Combo1(0);
        first->setCurrentIndex(1);
        emit first->activated(1);
        QCOMPARE(editor->Combo1(0)->currentText(), QStringLiteral("-choose one-"));
        QCOMPARE(editor->Combo1(18)->currentText(), QStringLiteral("-choose one-"));

        // Typing a name not in the list keeps it as typed.
        QComboBox *fifth = editor->Combo1(4);
        fifth->lineEdit()->setText("typed.odp");
        QTest::mouseClick(editor->okButton(), Qt::LeftButton);
        QVERIFY(!editor->isVisible());
        const QStringList saved = PlaylistFile::read(folder() + "/playlist.txt");
        QCOMPARE(saved.mid(0, 5), QStringList({"-choose one-", "B.odp", "C.odp", "", "typed.odp"}));
        QCOMPARE(saved[18], QStringLiteral("-choose one-"));
        QCOMPARE(fdemo.frame()->Combo1()->count(), 5);  // refilled from the file
    }

    void closingThePlaylistEditorSavesAndUnloadsIt()
    {
        FDemo &fdemo = start(Edition::Full);
        QTest::mouseClick(fdemo.frame()->button("editPlaylist"), Qt::LeftButton);
        QPointer<PlaylistEditor> editor = fdemo.playlistEditor();
        editor->Combo1(5)->lineEdit()->setText("six.odp");
        editor->close();
        QCOMPARE(PlaylistFile::read(folder() + "/playlist.txt")[5], QStringLiteral("six.odp"));
        QTRY_VERIFY(editor.isNull());
        QTest::mouseClick(fdemo.frame()->button("editPlaylist"), Qt::LeftButton);
        QVERIFY(fdemo.playlistEditor());
        QCOMPARE(fdemo.playlistEditor()->Combo1(5)->currentText(), QStringLiteral("six.odp"));
    }

    void playerPlaylistEditorIsReduced()
    {
        FDemo &fdemo = start(Edition::Player);
        QTest::mouseClick(fdemo.frame()->button("editPlaylist"), Qt::LeftButton);
        PlaylistEditor *editor = fdemo.playlistEditor();
        QVERIFY(!editor->findChild<QLabel *>("menulabel"));
        QCOMPARE(editor->okButton()->toolTip(), QString());
        QCOMPARE(editor->okButton()->pos(), twipsRect(3360, 120, 0, 0).topLeft());
    }

    void movieCommandsReachTheShell()
    {
        FDemo &fdemo = start(Edition::Full);
        m_launcher->processes.clear();
        emit fdemo.ShockwaveFlash1()->FSCommand("KORVANE_NEXT_SLIDE", QString());
        QCOMPARE(m_launcher->processes.size(), 1);
        QCOMPARE(fdemo.frame()->currentfile()->text(), QStringLiteral("B.odp"));
        emit fdemo.ShockwaveFlash1()->FSCommand("quit", QString());
        QCOMPARE(m_ended, 1);
        QCOMPARE(fdemo.ShockwaveFlash1()->MoviePath(), QString());
        QVERIFY(!fdemo.Timer2()->isActive());
    }
};

QTEST_MAIN(FDemoTest)
#include "fdemo_test.moc"
