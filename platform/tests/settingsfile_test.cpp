#include "platform/settingsfile.h"

#include "platform/testing/filesizelimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>


using platform::readSettingsFile;
using platform::readSettingsLines;
using platform::SettingsRead;
using platform::settingsFileLimit;
using platform::writeSettingsLines;

namespace {

class SettingsFile : public ::testing::Test {
protected:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QString writeBytes(const QByteArray &bytes)
    {
        const QString p = path(QStringLiteral("settings.txt"));
        QFile file(p);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return p;
    }

    QStringList read(const QByteArray &bytes)
    {
        QStringList lines;
        EXPECT_TRUE(readSettingsLines(writeBytes(bytes), &lines));
        return lines;
    }

    static QByteArray bytesOf(const QString &p)
    {
        QFile file(p);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    QTemporaryDir m_dir;
};

}  // namespace

TEST_F(SettingsFile, LinesEndAtCrAndAFollowingLfIsSkipped)
{
    EXPECT_EQ(read("one\r\ntwo\r\n\r\nfour\r\n"),
              (QStringList{"one", "two", "", "four"}));
    EXPECT_EQ(read("one\rtwo\r\rfour\r"), (QStringList{"one", "two", "", "four"}));
}

TEST_F(SettingsFile, LoneLfEndsALineToo)
{
    EXPECT_EQ(read("one\ntwo\n\nfour\n"), (QStringList{"one", "two", "", "four"}));
    // Mixed terminators, and LF CR is two line ends.
    EXPECT_EQ(read("a\r\nb\nc\rd\n\re"), (QStringList{"a", "b", "c", "d", "", "e"}));
}

TEST_F(SettingsFile, FinalLineWithoutTerminatorIsKept)
{
    EXPECT_EQ(read("one\r\nlast"), (QStringList{"one", "last"}));
    EXPECT_EQ(read("only"), (QStringList{"only"}));
    EXPECT_EQ(read(""), QStringList());
    EXPECT_EQ(read("\r\n"), (QStringList{""}));
}

TEST_F(SettingsFile, TextIsDecodedBySuiteCodec)
{
    EXPECT_EQ(read("\xAC" "a\xAC" "Welcome\r\nto the show\r\n"),
              (QStringList{"¬a¬Welcome", "to the show"}));
    EXPECT_EQ(read("\xC2\xAC" "b\xC2\xAC \r\n"), (QStringList{"¬b¬ "}));
    // An editor's byte-order mark does not become part of the first line.
    EXPECT_EQ(read("\xEF\xBB\xBF" "first\r\n"), (QStringList{"first"}));
}

TEST_F(SettingsFile, AStrayWindows1252LineLeavesTheOtherLinesUtf8)
{
    // The home-page texts saved here, then one line typed on the original platform.
    EXPECT_EQ(read("\xC2\xAC" "a\xC2\xAC" "Caf\xC3\xA9\r\n"
                   "men\xFA" " del d\xED" "a\r\n"
                   "\xC2\xAC" "b\xC2\xAC \r\n"),
              (QStringList{"¬a¬Café", "menú del día", "¬b¬ "}));
}

TEST_F(SettingsFile, ReadsOnlyTheLinesAskedFor)
{
    // Nineteen playlist lines and then far more than a settings file may hold.
    QByteArray bytes;
    for (int slot = 0; slot < 19; ++slot)
        bytes += "slot " + QByteArray::number(slot) + ".odp\r\n";
    const QByteArray junk(settingsFileLimit + 4096, 'x');
    const QString p = writeBytes(bytes + junk);

    QStringList lines;
    ASSERT_EQ(readSettingsFile(p, &lines, 19), SettingsRead::Read);
    ASSERT_EQ(lines.size(), 19);
    EXPECT_EQ(lines.first(), QStringLiteral("slot 0.odp"));
    EXPECT_EQ(lines.last(), QStringLiteral("slot 18.odp"));
    ASSERT_EQ(readSettingsFile(p, &lines, 1), SettingsRead::Read);
    EXPECT_EQ(lines, QStringList{"slot 0.odp"});

    // Read whole, or up to a line beyond the limit, it is too large and gives nothing.
    lines = QStringList{"left over"};
    EXPECT_EQ(readSettingsFile(p, &lines), SettingsRead::TooLarge);
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_EQ(readSettingsFile(p, &lines, 20), SettingsRead::TooLarge);
    EXPECT_FALSE(readSettingsLines(p, &lines));
    EXPECT_TRUE(platform::settingsFileTooLargeText(p).startsWith(p));

    // A file of exactly the limit is read whole.
    const QString full = writeBytes("first\r\n" + QByteArray(settingsFileLimit - 7, 'y'));
    ASSERT_EQ(readSettingsFile(full, &lines), SettingsRead::Read);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.at(1).size(), settingsFileLimit - 7);
}

TEST_F(SettingsFile, LineEndsAcrossTheReadersPiecesReadAsAnywhere)
{
    // CR LF, CR CR and LF CR standing astride every place where the reader's
    // pieces of the file might meet.
    for (const int before : {65533, 65534, 65535, 65536}) {
        const QByteArray head(before, 'h');
        EXPECT_EQ(read(head + "\r\nnext\r\rthird\n\rfifth"),
                  (QStringList{QString(before, u'h'), "next", "", "third", "", "fifth"}))
            << before;
    }
}

TEST_F(SettingsFile, MissingFileReadsNothingAndSaysSo)
{
    QStringList lines{"left over"};
    EXPECT_FALSE(readSettingsLines(path(QStringLiteral("absent.txt")), &lines));
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_EQ(readSettingsFile(path(QStringLiteral("absent.txt")), &lines, 19),
              SettingsRead::NotOpened);
}

TEST_F(SettingsFile, WritesEveryLineWithCrLfInUtf8)
{
    const QString p = path(QStringLiteral("data.txt"));
    ASSERT_TRUE(writeSettingsLines(p, {"¬a¬Welcome", "to the show", "", "¬b¬ "}));
    EXPECT_EQ(bytesOf(p),
              QByteArray("\xC2\xAC" "a\xC2\xAC" "Welcome\r\nto the show\r\n\r\n\xC2\xAC" "b\xC2\xAC \r\n"));

    QStringList back;
    ASSERT_TRUE(readSettingsLines(p, &back));
    EXPECT_EQ(back, (QStringList{"¬a¬Welcome", "to the show", "", "¬b¬ "}));

    // Rewriting replaces the whole file; no lines writes an empty file.
    ASSERT_TRUE(writeSettingsLines(p, {}));
    EXPECT_EQ(bytesOf(p), QByteArray());
}

TEST_F(SettingsFile, FailedWriteLeavesThePreviousContent)
{
    const QString p = path(QStringLiteral("playlist.txt"));
    ASSERT_TRUE(writeSettingsLines(p, {"intro.odp"}));

    // A file-size limit makes the write fail halfway.
    bool written = true;
    {
        const platform::testing::FileSizeLimit limit(8);
        ASSERT_TRUE(limit.active());
        written = writeSettingsLines(p, {"a much longer playlist line", "and another"});
    }

    EXPECT_FALSE(written);
    EXPECT_EQ(bytesOf(p), QByteArray("intro.odp\r\n"));
    // No half-written file is left beside it.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"playlist.txt"});

    EXPECT_FALSE(writeSettingsLines(path(QStringLiteral("no/such/folder/x.txt")), {"x"}));
}
