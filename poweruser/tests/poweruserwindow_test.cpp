// The PowerUser window on the offscreen platform, with the desktop recorded.
#include "poweruser/folderlist.h"
#include "poweruser/poweruserwindow.h"

#include "platform/fonts.h"
#include "platform/testing/recorders.h"
#include "platform/twips.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace platform::testing;
using poweruser::FolderList;
using poweruser::PowerUser;
using poweruser::PowerUserWindow;

class PowerUserWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<RecordingLauncher> m_launcher;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<PowerUserWindow> m_window;
    int m_ended = 0;

    QString inst() const { return m_root->path() + "/inst"; }
    QString backup() const { return inst() + "/backup"; }

    void write(const QString &relative, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(inst() + "/" + relative).path());
        QFile file(inst() + "/" + relative);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    QByteArray read(const QString &relative)
    {
        QFile file(inst() + "/" + relative);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    void doubleClick(FolderList *list, const QString &folder)
    {
        QTreeWidgetItem *item = list->itemFor(folder);
        QVERIFY2(item, qPrintable(folder));
        list->scrollToItem(item);
        const QPoint centre = list->visualItemRect(item).center();
        // As the mouse makes it: a click, then the double click and its release.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, centre);
    }

    static QStringList listedNames(FolderList *list)
    {
        QStringList names;
        for (QTreeWidgetItemIterator it(list); *it; ++it)
            names << (*it)->text(0);
        return names;
    }

    // The text fits its box: no scroll bar is needed.
    static bool textFits(QPlainTextEdit *box)
    {
        box->ensurePolished();
        return box->verticalScrollBar()->maximum() == 0 && box->horizontalScrollBar()->maximum() == 0;
    }

private slots:
    void initTestCase() { QVERIFY(platform::registerTahoma()); }

    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        for (const char *name : {"style.swf", "background.swf", "data.txt", "playlist.txt"})
            write(name, QByteArray("current ") + name);
        QDir().mkpath(backup() + "/harbour");
        for (const char *name : {"style.swf", "background.swf", "data.txt", "playlist.txt"})
            write(QString("backup/harbour/") + name, QByteArray("harbour ") + name);
        m_launcher = std::make_unique<RecordingLauncher>();
        m_dialogs = std::make_unique<ScriptedDialogs>();
        m_ended = 0;
        m_window = std::make_unique<PowerUserWindow>(
            inst(), PowerUser::Services{*m_launcher, *m_dialogs, [] { return QDateTime::currentDateTime(); }});
        m_window->setEndProgram([this] { ++m_ended; });
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup()
    {
        m_window.reset();
        m_root.reset();
    }

    void controlsCarryTheirNamesTextsAndPlaces()
    {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Tessaly - PowerUser"));
        QCOMPARE(m_window->height(), platform::twipsToPixelsY(8415));
        struct Expected {
            QWidget *widget;
            const char *name;
            const char *text;
            QRect twips;  // in the window's coordinates
        };
        const QList<Expected> expected = {
            {m_window->startTessalyButton(), "Command2", "Start Tessaly", {120, 120, 2535, 375}},
            {m_window->backupRestoreButton(), "Command5", "backup / restore", {2880, 120, 1575, 375}},
            {m_window->openPowerpointButton(), "Command3", "open powerpoint folder", {4560, 120, 2175, 375}},
            {m_window->quitButton(), "Command4", "quit", {6840, 120, 1095, 375}},
            {m_window->backupPanel(), "Frame1", "Backup", {120, 840, 2535, 2535}},
            {m_window->restorePanel(), "Frame2", "Restore", {3840, 840, 3735, 6975}},
            {m_window->folderList(), "Dir1", nullptr, {4200, 1560, 3015, 5940}},
            {m_window->helpText(), "Text1", nullptr, {120, 4920, 3375, 2895}},
        };
        for (const Expected &e : expected) {
            QCOMPARE(e.widget->objectName(), QString(e.name));
            const QRect place(e.widget->mapTo(m_window.get(), QPoint(0, 0)), e.widget->size());
            QCOMPARE(place, platform::twipsRect(e.twips.x(), e.twips.y(), e.twips.width(), e.twips.height()));
            QCOMPARE(e.widget->font().family(), QStringLiteral("Tahoma"));
            if (auto *button = qobject_cast<QAbstractButton *>(e.widget)) {
                QCOMPARE(button->text(), QString(e.text));
                QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) < button->width() - 4, e.name);
            }
            if (auto *panel = qobject_cast<QGroupBox *>(e.widget))
                QCOMPARE(panel->title(), QString(e.text));
        }
        QCOMPARE(m_window->saveButton()->objectName(), QStringLiteral("Command1"));
        QCOMPARE(m_window->saveButton()->text(), QStringLiteral("save current settings"));
        QCOMPARE(m_window->saveButton()->size(), QSize(platform::twipsToPixelsX(2055), platform::twipsToPixelsY(375)));
        QVERIFY(m_window->backupPanel()->isAncestorOf(m_window->saveButton()));
        QVERIFY(m_window->backupPanel()->isAncestorOf(m_window->statusText()));
        QVERIFY(m_window->restorePanel()->isAncestorOf(m_window->restoreLabel()));

        QCOMPARE(m_window->statusText()->objectName(), QStringLiteral("backuptext"));
        QCOMPARE(m_window->statusText()->toPlainText().split('\n'),
                 QStringList({"Click the above button to ", "save the current playlist ", "and style settings.",
                              "(does not backup your powerpoint presentation files)"}));
        QCOMPARE(m_window->helpText()->toPlainText().split('\n').first(), QStringLiteral("Help:"));
        QCOMPARE(m_window->helpText()->toPlainText().split('\n').size(), 10);
        QVERIFY(textFits(m_window->statusText()));
        QVERIFY(textFits(m_window->helpText()));

        QLabel *label = m_window->restoreLabel();
        QCOMPARE(label->objectName(), QStringLiteral("Label1"));
        QCOMPARE(label->text(),
                 QStringLiteral("restore from (double click to select the folder you wish to restore from)"));
        QVERIFY(label->heightForWidth(label->width()) <= label->height());
    }

    void theFolderListShowsTheBackupFolderWithItsSets()
    {
        FolderList *list = m_window->folderList();
        QCOMPARE(list->path(), backup());
        const QStringList names = listedNames(list);
        QCOMPARE(names.first(), QStringLiteral("/"));
        QCOMPARE(names.mid(names.size() - 3), QStringList({"inst", "backup", "harbour"}));
    }

    void backupRestoreFoldsAndUnfoldsThePanels()
    {
        m_window->backupRestoreButton()->click();
        QCOMPARE(m_window->height(), platform::twipsToPixelsY(1000));
        m_window->backupRestoreButton()->click();
        QCOMPARE(m_window->height(), platform::twipsToPixelsY(8415));
        m_window->resize(m_window->width(), platform::twipsToPixelsY(5000));
        m_window->backupRestoreButton()->click();
        QCOMPARE(m_window->height(), platform::twipsToPixelsY(8415));
    }

    void aBackupShowsItsSetAndADoubleClickRestoresIt()
    {
        m_dialogs->answerInput("before the fair");
        QTest::mouseClick(m_window->saveButton(), Qt::LeftButton);
        QVERIFY(m_window->statusText()->toPlainText().endsWith("backup completed"));
        QVERIFY(m_window->folderList()->itemFor(backup() + "/before the fair"));
        QCOMPARE(read("backup/before the fair/playlist.txt"), QByteArray("current playlist.txt"));
        QVERIFY(m_dialogs->messages.isEmpty());

        doubleClick(m_window->folderList(), backup() + "/harbour");
        QCOMPARE(read("style.swf"), QByteArray("harbour style.swf"));
        QCOMPARE(read("playlist.txt"), QByteArray("harbour playlist.txt"));
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages[0].title, QStringLiteral("TS PowerUser"));
        QCOMPARE(m_dialogs->messages[0].text, QStringLiteral("restore complete"));
        QCOMPARE(m_window->folderList()->path(), backup());

        // Enter on a set restores it too.
        m_window->folderList()->setCurrentItem(m_window->folderList()->itemFor(backup() + "/before the fair"));
        QTest::keyClick(m_window->folderList(), Qt::Key_Return);
        QCOMPARE(read("style.swf"), QByteArray("current style.swf"));
        QCOMPARE(m_dialogs->messages.size(), 2);
    }

    void doubleClickingAboveTheBackupFolderRestoresNothing()
    {
        doubleClick(m_window->folderList(), backup());
        QVERIFY(m_dialogs->messages.isEmpty());
        doubleClick(m_window->folderList(), inst());
        QCOMPARE(m_dialogs->messages.size(), 1);
        QVERIFY(m_dialogs->messages[0].text.contains("installation folder itself"));
        doubleClick(m_window->folderList(), m_root->path());
        QCOMPARE(m_dialogs->messages.size(), 2);
        QVERIFY(m_dialogs->messages[1].text.contains("Nothing was restored"));
        QCOMPARE(read("style.swf"), QByteArray("current style.swf"));
        QCOMPARE(m_window->folderList()->path(), backup());
    }

    void theButtonsStartTessalyOpenTheFolderAndQuit()
    {
        QTest::mouseClick(m_window->startTessalyButton(), Qt::LeftButton);
        QCOMPARE(m_launcher->commandLines(), QStringList{"ts.exe"});
        QCOMPARE(m_launcher->processes[0].state, platform::WindowState::Maximised);
        QTest::mouseClick(m_window->openPowerpointButton(), Qt::LeftButton);
        QCOMPARE(m_launcher->targets.size(), 1);
        QCOMPARE(m_launcher->targets[0].target, inst() + "/powerpoint.files");
        QCOMPARE(m_ended, 0);
        QTest::mouseClick(m_window->quitButton(), Qt::LeftButton);
        QCOMPARE(m_ended, 1);
    }
};

QTEST_MAIN(PowerUserWindowTest)
#include "poweruserwindow_test.moc"
