// Stills of movies, known by their content as the movie control knows them.
#include "platform/movie/moviestills.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::MovieStills;

namespace {

class Stills : public ::testing::Test {
protected:
    QString write(const QString &name, const QByteArray &content)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        return path;
    }

    QTemporaryDir m_dir;
    MovieStills m_stills{QSize(112, 63)};
};

bool near(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) < 8 && qAbs(a.green() - b.green()) < 8 &&
           qAbs(a.blue() - b.blue()) < 8;
}

}  // namespace

TEST_F(Stills, QmlMovieIsRenderedAndFitted)
{
    const QString path = write("harbour.qml", R"(
import QtQuick
Rectangle {
    color: "navy"
    Rectangle { anchors.right: parent.right; width: parent.width / 2; height: parent.height; color: "orange" }
}
)");
    const QImage still = m_stills.still(path);
    ASSERT_FALSE(still.isNull());
    EXPECT_EQ(still.size(), QSize(112, 63));
    EXPECT_TRUE(near(still.pixelColor(20, 30), QColor("navy"))) << still.pixelColor(20, 30).name().toStdString();
    EXPECT_TRUE(near(still.pixelColor(90, 30), QColor("orange"))) << still.pixelColor(90, 30).name().toStdString();
}

TEST_F(Stills, PictureIsShownOnTheStageWhateverItsName)
{
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(QColor(0, 160, 80));
    const QString path = m_dir.filePath("sky.swf");
    ASSERT_TRUE(picture.save(path, "PNG"));

    const QImage still = m_stills.still(path);
    ASSERT_FALSE(still.isNull());
    EXPECT_EQ(still.size(), QSize(112, 63));
    // Fitted on the black stage: green in the middle, black at the sides.
    EXPECT_TRUE(near(still.pixelColor(56, 31), QColor(0, 160, 80)));
    EXPECT_TRUE(near(still.pixelColor(2, 31), Qt::black));
}

TEST_F(Stills, WhatTheControlCannotShowHasNoPicture)
{
    EXPECT_TRUE(m_stills.still(write("old.swf", QByteArray("FWS\x07", 4) + QByteArray(40, '\0'))).isNull());
    EXPECT_TRUE(m_stills.still(write("broken.qml", "import QtQuick\nRectangle { color: }")).isNull());
    EXPECT_TRUE(m_stills.still(write("notes.jpg", "just text")).isNull());
    EXPECT_TRUE(m_stills.still(m_dir.filePath("absent.png")).isNull());
    // A good movie after the bad ones still has its picture.
    EXPECT_FALSE(m_stills.still(write("ok.qml", "import QtQuick\nRectangle { color: \"red\" }")).isNull());
}
