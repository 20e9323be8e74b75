// The real quillet2 on a virtual X server (run under xvfb-run): copied with the
// engine library into a folder of its own, as an installation is, started with
// a configuration there, found on the screen by its caption, and closed by the
// window manager's close request.
#include "pageeditor/core/pagerecords.h"
#include "platform/testing/recorders.h"
#include "platform/windowservices.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class Quillet2RunTest : public QObject {
    Q_OBJECT

private:
    static bool copyInto(const QString &file, const QString &folder)
    {
        const QString target = QDir(folder).filePath(QFileInfo(file).fileName());
        return QFile::copy(file, target) &&
               QFile::setPermissions(target, QFile::permissions(file));
    }

    static platform::WindowId windowTitled(const QString &title)
    {
        for (const platform::TopLevelWindow &window : platform::systemWindowServices().topLevelWindows()) {
            if (window.title == title)
                return window.id;
        }
        return 0;
    }

private slots:
    void startsShowsAPageAndCloses()
    {
        QTemporaryDir folder;
        QVERIFY(copyInto(QStringLiteral(TEST_PROGRAM_FOLDER "/quillet2"), folder.path()));
        QVERIFY(copyInto(QStringLiteral(TEST_PROGRAM_FOLDER "/libOrvex.so"), folder.path()));
        QFile ini(folder.filePath("quillet2.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QString::fromUtf8("20¬20¬900¬560¬quillet2 run¬pages.odb¬edit¬x¬x\r\n").toUtf8());
        ini.close();

        // The page database, made through the copied library, when it has the
        // flat interface; without it the program says it cannot open the file.
        pageeditor::OrvexLibrary library({folder.filePath("libOrvex.so")});
        platform::testing::ScriptedDialogs dialogs;
        const bool withEngine = ORVEX_FLAT(library, mOpen) != nullptr;
        if (withEngine) {
            pageeditor::PageRecords records(folder.path(), dialogs, QStringLiteral("quillet2"), library);
            QVERIFY(records.createQuilletDatabase("pages.odb"));
            QVERIFY(records.saveit("pages.odb", "1", "{\\rtf1 first page\\par}", {"", "", "", "head", "foot"}));
        }

        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(QDir::rootPath());  // the program finds its files beside itself
        program.start(folder.filePath("quillet2"), {});
        QVERIFY(program.waitForStarted(10000));

        platform::WindowId main = 0;
        QTRY_VERIFY_WITH_TIMEOUT((main = windowTitled("quillet2 run")) != 0, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(windowTitled("quillet edit tools") != 0, 20000);
        // Close requests until the program has gone: a message box titled as the
        // window (the database's, when the engine has no flat interface) first.
        for (int attempt = 0; attempt < 20 && program.state() != QProcess::NotRunning; ++attempt) {
            for (const platform::TopLevelWindow &window : platform::systemWindowServices().topLevelWindows()) {
                if (window.title == "quillet2 run" && window.id != main)
                    platform::systemWindowServices().requestClose(window.id);
            }
            platform::systemWindowServices().requestClose(main);
            program.waitForFinished(1000);
        }
        QCOMPARE(program.state(), QProcess::NotRunning);
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(Quillet2RunTest)
#include "quillet2_run_test.moc"
