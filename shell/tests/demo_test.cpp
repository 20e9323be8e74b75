// The demo installation's files and its style movies, played by the real movie
// control on the offscreen platform.
#include "shell/core/datafile.h"
#include "shell/core/playlistfile.h"
#include "shell/core/shellcore.h"

#include "platform/movie/moviecontrol.h"
#include "platform/settingsfile.h"
#include "platform/testing/recorders.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace platform::testing;

namespace {

const QString demoFolder = QStringLiteral(TESSALY_DEMO_SOURCE_DIR);

QList<QQuickItem *> itemsWith(QQuickItem *root, const char *property)
{
    QList<QQuickItem *> found;
    const QList<QQuickItem *> children = root->childItems();
    for (QQuickItem *child : children) {
        if (child->metaObject()->indexOfProperty(property) >= 0)
            found << child;
        found << itemsWith(child, property);
    }
    return found;
}

}  // namespace

class DemoTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    // An installation folder with the style as style.swf and a picture as
    // background.swf, as the design chooser leaves them.
    QString installStyle(const QString &style)
    {
        const QString target = m_folder.path() + "/style.swf";
        QFile::remove(target);
        if (!QFile::copy(demoFolder + "/styles/" + style, target))
            return QString();
        return target;
    }

private slots:
    void playlistHasNineteenSlotsNamingShippedPresentations()
    {
        QFile file(demoFolder + "/playlist.txt");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.count("\r\n"), 19);
        QVERIFY(bytes.endsWith("\r\n"));
        const QStringList entries = PlaylistFile::read(demoFolder + "/playlist.txt");
        int named = 0;
        for (const QString &entry : entries) {
            if (entry.isEmpty())
                continue;
            ++named;
            QFile show(demoFolder + "/powerpoint.files/" + entry);
            QVERIFY2(show.open(QIODevice::ReadOnly), qPrintable(entry));
            const QByteArray head = show.read(120);
            QVERIFY(head.startsWith("PK"));
            QVERIFY(head.contains("application/vnd.oasis.opendocument.presentation"));
        }
        QCOMPARE(named, 3);
    }

    void dataFileHoldsTheTwentyFiveTexts()
    {
        QStringList lines;
        QVERIFY(platform::readSettingsLines(demoFolder + "/data.txt", &lines));
        QStringList names;
        for (const auto &[name, text] : DataFile::parse(lines)) {
            names << name;
            QVERIFY2(!text.isEmpty(), qPrintable(name));
        }
        QCOMPARE(names, DataFile::variableNames());
    }

    void stylesPlayAndHoldTheirTexts_data()
    {
        QTest::addColumn<QString>("style");
        QTest::newRow("classic") << QStringLiteral("classic.qml");
        QTest::newRow("harbour") << QStringLiteral("harbour.qml");
    }

    void stylesPlayAndHoldTheirTexts()
    {
        QFETCH(QString, style);
        const QString path = installStyle(style);
        QVERIFY(!path.isEmpty());
        platform::MovieControl movie;
        movie.resize(1280, 720);
        movie.Movie(path);
        QCOMPARE(movie.PercentLoaded(), 100);
        const QString cr(QChar(13));
        for (const QString &name : DataFile::variableNames()) {
            const QString value = name + " first" + cr + name + " second";
            movie.SetVariable(name, value);
            QCOMPARE(movie.GetVariable(name), value);
        }
        // The shell's save and load go through the movie's variables.
        Installation inst(Edition::Full, m_folder.path(), m_folder.path());
        RecordingLauncher launcher;
        ScriptedDialogs dialogs;
        FakeWindowServices windows;
        ShellCore shell(inst, launcher, dialogs, windows, movie);
        QVERIFY(shell.save_text());
        for (const QString &name : DataFile::variableNames())
            movie.SetVariable(name, QString());
        shell.load_Text();
        for (const QString &name : DataFile::variableNames())
            QCOMPARE(movie.GetVariable(name), name + " first" + cr + name + " second");
    }

    void everyHomeTextIsEditableAndEditsReachTheVariables_data() { stylesPlayAndHoldTheirTexts_data(); }

    void everyHomeTextIsEditableAndEditsReachTheVariables()
    {
        QFETCH(QString, style);
        platform::MovieControl movie;
        movie.resize(1280, 720);
        movie.Movie(installStyle(style));
        QVERIFY(movie.rootObject());
        QSet<QString> names;
        for (QQuickItem *edit : itemsWith(movie.rootObject(), "name")) {
            if (!edit->inherits("QQuickTextEdit"))
                continue;
            const QString name = edit->property("name").toString();
            names.insert(name);
            movie.SetVariable(name, "one" + QString(QChar(13)) + "two");
            QCOMPARE(edit->property("text").toString(), QStringLiteral("one\ntwo"));
            // What the operator types: the edit has the focus, the text changes.
            edit->forceActiveFocus();
            if (!edit->hasActiveFocus())
                QSKIP("the offscreen platform gives the movie no focus");
            edit->setProperty("text", QStringLiteral("typed\nover"));
            QCOMPARE(movie.GetVariable(name), "typed" + QString(QChar(13)) + "over");
        }
        QCOMPARE(names.size(), 25);
    }

    void buttonsRaiseTheShellCommands_data() { stylesPlayAndHoldTheirTexts_data(); }

    void buttonsRaiseTheShellCommands()
    {
        QFETCH(QString, style);
        platform::MovieControl movie;
        movie.resize(1280, 720);
        movie.show();
        QVERIFY(QTest::qWaitForWindowExposed(&movie));
        QSignalSpy commands(&movie, &platform::MovieControl::FSCommand);
        movie.Movie(installStyle(style));
        // The style asks for its texts as soon as it runs.
        QTRY_COMPARE(commands.count(), 1);
        QCOMPARE(commands.takeFirst().at(0).toString(), QStringLiteral("load"));
        QTRY_VERIFY(!itemsWith(movie.rootObject(), "command").isEmpty());
        QStringList raised;
        for (QQuickItem *button : itemsWith(movie.rootObject(), "command")) {
            const QPointF centre = button->mapToScene(QPointF(button->width() / 2, button->height() / 2));
            QTest::mouseClick(movie.windowHandle(), Qt::LeftButton, Qt::NoModifier, centre.toPoint());
        }
        for (const QList<QVariant> &call : commands)
            raised << call.at(0).toString();
        raised.sort();
        QCOMPARE(raised, QStringList({"config", "korvane_next_slide", "korvane_previous_slide", "load",
                                      "quit", "restart", "save"}));
    }
};

QTEST_MAIN(DemoTest)
#include "demo_test.moc"
