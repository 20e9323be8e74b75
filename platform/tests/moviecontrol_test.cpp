// The movie control on the offscreen platform, with movies the test writes: QML
// documents, pictures and files that must load nothing. Movie files carry the
// names the shell gives them (style.swf, background.swf): the content decides.
#include "platform/movie/moviecontrol.h"

#include "platform/programfolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QColor>
#include <QImage>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

using platform::MovieControl;

namespace {

class Movies : public ::testing::Test {
protected:
    QString write(const QString &name, const QByteArray &content)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        return path;
    }

    QString writePicture(const QString &name, const char *format)
    {
        QImage image(64, 32, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(image.save(path, format));
        return path;
    }

    QTemporaryDir m_dir;
    MovieControl m_control;
};

const QByteArray kHomePage = R"(
import QtQuick
Rectangle {
    color: "navy"
    property string a: "Welcome\rto the show"
    property string b: ""
    property string cango: "false"
    property string shown: "[" + b + "]"
    property string where: movie.folder
}
)";

}  // namespace

TEST_F(Movies, QmlMovieLoadsAndItsRootPropertiesAreTheVariables)
{
    const QString path = write("style.swf", kHomePage);
    m_control.Movie(path);
    EXPECT_EQ(m_control.PercentLoaded(), 100);
    EXPECT_EQ(m_control.MoviePath(), path);
    ASSERT_NE(m_control.rootObject(), nullptr);

    EXPECT_EQ(m_control.GetVariable("a"), QStringLiteral("Welcome\rto the show"));
    EXPECT_EQ(m_control.GetVariable("b"), QString());
    m_control.SetVariable("b", "line one\rline two");
    EXPECT_EQ(m_control.GetVariable("b"), QStringLiteral("line one\rline two"));
    // The movie sees the new value.
    EXPECT_EQ(m_control.rootObject()->property("b").toString(), QStringLiteral("line one\rline two"));
    EXPECT_EQ(m_control.GetVariable("shown"), QStringLiteral("[line one\rline two]"));
    m_control.SetVariable("cango", "true");
    EXPECT_EQ(m_control.GetVariable("cango"), QStringLiteral("true"));

    EXPECT_EQ(m_control.GetVariable("where"),
              QUrl::fromLocalFile(platform::programFolder()).toString());
}

TEST_F(Movies, UnknownVariablesAreEmptyUntilSetAndThenKept)
{
    m_control.Movie(write("style.swf", kHomePage));
    EXPECT_EQ(m_control.GetVariable("t"), QString());
    EXPECT_EQ(m_control.GetVariable("menuTitle"), QString());
    EXPECT_EQ(m_control.GetVariable(""), QString());
    m_control.SetVariable("t", "kept\rhere");
    m_control.SetVariable("menuTitle", "Show");
    EXPECT_EQ(m_control.GetVariable("t"), QStringLiteral("kept\rhere"));
    EXPECT_EQ(m_control.GetVariable("menuTitle"), QStringLiteral("Show"));
    EXPECT_FALSE(m_control.rootObject()->property("t").isValid());
    // Even a name the control's own store reserves is kept.
    m_control.SetVariable("keys", "k");
    EXPECT_EQ(m_control.GetVariable("keys"), QStringLiteral("k"));

    // A new movie starts with its own variables only.
    m_control.Movie(write("other.swf", kHomePage));
    EXPECT_EQ(m_control.GetVariable("t"), QString());
    EXPECT_EQ(m_control.GetVariable("menuTitle"), QString());

    // With nothing loaded the calls still work and keep what they are given.
    m_control.Movie(m_dir.filePath("missing.swf"));
    EXPECT_EQ(m_control.GetVariable("a"), QString());
    m_control.SetVariable("a", "kept");
    EXPECT_EQ(m_control.GetVariable("a"), QStringLiteral("kept"));
}

TEST_F(Movies, ItemPropertiesAreNoVariablesAndXAndYAreKeptForTheMovie)
{
    // Every item has x and y (its position) and more of its own; none of them is a
    // text of the movie, and setting such a text must not move or restyle it.
    m_control.Movie(write("style.swf", R"(
import QtQuick
Rectangle {
    color: "navy"
    width: 50
    property string a: "own"
    property string shownX: movie.variables.x
    property string shownY: movie.variables.y
    function edit() { movie.variables.y = "typed\rin the movie" }
}
)"));
    ASSERT_EQ(m_control.PercentLoaded(), 100);
    QQuickItem *root = m_control.rootObject();
    const qreal x = root->x();
    EXPECT_EQ(m_control.GetVariable("x"), QString());
    EXPECT_EQ(m_control.GetVariable("color"), QString());
    EXPECT_EQ(m_control.GetVariable("width"), QString());

    m_control.SetVariable("x", "Welcome\rhome");
    m_control.SetVariable("width", "wide");
    EXPECT_EQ(root->x(), x);
    EXPECT_EQ(root->width(), 50);
    EXPECT_EQ(m_control.GetVariable("x"), QStringLiteral("Welcome\rhome"));
    EXPECT_EQ(m_control.GetVariable("shownX"), QStringLiteral("Welcome\rhome"));
    EXPECT_EQ(m_control.GetVariable("a"), QStringLiteral("own"));

    QMetaObject::invokeMethod(root, "edit");
    EXPECT_EQ(m_control.GetVariable("y"), QStringLiteral("typed\rin the movie"));
    EXPECT_EQ(m_control.GetVariable("shownY"), QStringLiteral("typed\rin the movie"));
}

TEST_F(Movies, FscommandRaisesTheCommandEventWithItsArguments)
{
    m_control.Movie(write("style.swf", R"(
import QtQuick
Item {
    Timer {
        interval: 1; running: true
        onTriggered: { movie.fscommand("korvane_next_slide", "some args"); movie.fscommand("QUIT") }
    }
}
)"));
    ASSERT_EQ(m_control.PercentLoaded(), 100);
    QSignalSpy spy(&m_control, &MovieControl::FSCommand);
    while (spy.count() < 2 && spy.wait(10000)) {
    }
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy[0][0].toString(), QStringLiteral("korvane_next_slide"));
    EXPECT_EQ(spy[0][1].toString(), QStringLiteral("some args"));
    EXPECT_EQ(spy[1][0].toString(), QStringLiteral("QUIT"));
    EXPECT_EQ(spy[1][1].toString(), QString());
}

TEST_F(Movies, CommandHandlerMayUnloadTheMovieThatSentIt)
{
    m_control.Movie(write("style.swf", R"(
import QtQuick
Item {
    property string a: "before"
    Timer { interval: 1; running: true; onTriggered: { movie.fscommand("quit", ""); a = "after" } }
}
)"));
    QObject::connect(&m_control, &MovieControl::FSCommand, &m_control,
                     [this](const QString &, const QString &) {
                         m_control.StopPlay();
                         m_control.Movie(QString());
                     });
    QSignalSpy spy(&m_control, &MovieControl::FSCommand);
    ASSERT_TRUE(spy.wait(10000));
    EXPECT_EQ(m_control.PercentLoaded(), 0);
    EXPECT_EQ(m_control.rootObject(), nullptr);
}

TEST_F(Movies, PicturesAreShownWhateverTheirName)
{
    m_control.Movie(writePicture("background.swf", "PNG"));
    EXPECT_EQ(m_control.PercentLoaded(), 100);
    ASSERT_NE(m_control.rootObject(), nullptr);
    // A picture has no variables of its own.
    EXPECT_EQ(m_control.GetVariable("pictureSource"), QString());
    m_control.SetVariable("a", "text");
    EXPECT_EQ(m_control.GetVariable("a"), QStringLiteral("text"));

    m_control.Movie(writePicture("photo.swf", "JPEG"));
    EXPECT_EQ(m_control.PercentLoaded(), 100);

    // PNG signature, then nothing a decoder can read.
    m_control.Movie(write("broken.png", QByteArray("\x89PNG\r\n\x1A\n") + QByteArray(40, 'x')));
    EXPECT_EQ(m_control.PercentLoaded(), 0);
    EXPECT_EQ(m_control.rootObject(), nullptr);
}

TEST_F(Movies, RelativePathsAreTakenInTheCurrentFolder)
{
    // As any file is opened: a movie named without its folder is the one in the
    // current folder, whatever it holds, and the path is kept as it was given.
    writePicture("background.swf", "PNG");
    write("style.swf", "import QtQuick\nItem { property string a: \"here\" }\n");
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    m_control.Movie(QStringLiteral("background.swf"));
    const int pictureLoaded = m_control.PercentLoaded();
    m_control.Movie(QStringLiteral("style.swf"));
    const int documentLoaded = m_control.PercentLoaded();
    QDir::setCurrent(saved);

    EXPECT_EQ(pictureLoaded, 100);
    EXPECT_EQ(documentLoaded, 100);
    EXPECT_EQ(m_control.GetVariable("a"), QStringLiteral("here"));
    EXPECT_EQ(m_control.MoviePath(), QStringLiteral("style.swf"));
}

TEST_F(Movies, PictureIsScaledToFitOnBlack)
{
    m_control.resize(400, 300);
    m_control.show();
    // 64 x 32 in 400 x 300: drawn 400 x 200, with black bands of 50 above and below.
    m_control.Movie(writePicture("background.swf", "PNG"));
    ASSERT_EQ(m_control.PercentLoaded(), 100);
    const QImage shown = m_control.grabFramebuffer();
    ASSERT_EQ(shown.size(), QSize(400, 300));
    const QRgb picture = QColor(Qt::darkCyan).rgb();
    const QRgb black = QColor(Qt::black).rgb();
    EXPECT_EQ(shown.pixel(200, 150), picture);
    EXPECT_EQ(shown.pixel(2, 60), picture);
    EXPECT_EQ(shown.pixel(397, 240), picture);
    EXPECT_EQ(shown.pixel(200, 20), black);
    EXPECT_EQ(shown.pixel(200, 280), black);
}

TEST_F(Movies, QmlMovieFillsTheControl)
{
    m_control.resize(320, 200);
    m_control.show();
    m_control.Movie(write("style.swf", "import QtQuick\nRectangle { color: \"#ff0000\" }\n"));
    ASSERT_NE(m_control.rootObject(), nullptr);
    EXPECT_EQ(m_control.rootObject()->width(), 320);
    EXPECT_EQ(m_control.rootObject()->height(), 200);
    const QImage shown = m_control.grabFramebuffer();
    EXPECT_EQ(shown.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(318, 198), qRgb(255, 0, 0));
}

TEST_F(Movies, FlashMissingAndBrokenFilesLoadNothing)
{
    const QByteArray body(32, '\x01');
    for (const QByteArray &magic : {QByteArray("FWS"), QByteArray("CWS"), QByteArray("ZWS")}) {
        m_control.Movie(write("style.swf", magic + body));
        EXPECT_EQ(m_control.PercentLoaded(), 0) << magic.constData();
        EXPECT_EQ(m_control.rootObject(), nullptr);
    }

    m_control.Movie(write("good.swf", kHomePage));
    ASSERT_EQ(m_control.PercentLoaded(), 100);
    m_control.Movie(m_dir.filePath("no-such-movie.swf"));
    EXPECT_EQ(m_control.PercentLoaded(), 0);
    EXPECT_EQ(m_control.MoviePath(), m_dir.filePath("no-such-movie.swf"));

    m_control.Movie(m_dir.path());  // a folder
    EXPECT_EQ(m_control.PercentLoaded(), 0);

    m_control.Movie(write("broken.swf", "import QtQuick\nRectangle {\n  color: \n"));
    EXPECT_EQ(m_control.PercentLoaded(), 0);
    m_control.Movie(write("text.swf", "just some words, no movie"));
    EXPECT_EQ(m_control.PercentLoaded(), 0);
    m_control.Movie(write("object.swf", "import QtQml\nQtObject { property string a: \"x\" }\n"));
    EXPECT_EQ(m_control.PercentLoaded(), 0);
    EXPECT_EQ(m_control.GetVariable("a"), QString());
}

TEST_F(Movies, EmptyPathUnloads)
{
    m_control.Movie(write("style.swf", kHomePage));
    ASSERT_EQ(m_control.PercentLoaded(), 100);
    m_control.Movie(QString());
    EXPECT_EQ(m_control.PercentLoaded(), 0);
    EXPECT_EQ(m_control.rootObject(), nullptr);
    EXPECT_EQ(m_control.MoviePath(), QString());
    EXPECT_EQ(m_control.GetVariable("a"), QString());
}

TEST_F(Movies, ReloadingAPathPlaysWhatItHoldsNow)
{
    const QString path = write("style.swf", "import QtQuick\nItem { property string a: \"first!\" }\n");
    const QDateTime stamp = QFileInfo(path).lastModified();
    m_control.Movie(path);
    EXPECT_EQ(m_control.GetVariable("a"), QStringLiteral("first!"));

    // Another movie copied over it, of the same size and with the same time stamp.
    write("style.swf", "import QtQuick\nItem { property string a: \"second\" }\n");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(stamp, QFileDevice::FileModificationTime));
    file.close();
    m_control.Movie(path);
    EXPECT_EQ(m_control.GetVariable("a"), QStringLiteral("second"));
}

TEST_F(Movies, StopPlayAndPlayReachTheMovieWhenItListens)
{
    m_control.Movie(write("feature.swf", R"(
import QtQuick
Item {
    property bool playing: true
    property int stops: 0
    property int plays: 0
    function stopPlay() { stops++ }
    function play() { plays++ }
}
)"));
    QQuickItem *root = m_control.rootObject();
    ASSERT_NE(root, nullptr);
    m_control.StopPlay();
    EXPECT_FALSE(root->property("playing").toBool());
    EXPECT_EQ(root->property("stops").toInt(), 1);
    m_control.Play();
    EXPECT_TRUE(root->property("playing").toBool());
    EXPECT_EQ(root->property("plays").toInt(), 1);

    // Movies that do not listen, pictures and nothing at all take the calls quietly.
    m_control.Movie(write("style.swf", kHomePage));
    m_control.StopPlay();
    m_control.Play();
    EXPECT_EQ(m_control.PercentLoaded(), 100);
    m_control.Movie(writePicture("b.swf", "PNG"));
    m_control.StopPlay();
    m_control.Play();
    m_control.Movie(QString());
    m_control.StopPlay();
    m_control.Play();
    EXPECT_EQ(m_control.PercentLoaded(), 0);
}
