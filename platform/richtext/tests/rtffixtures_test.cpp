// RTF as LibreOffice Writer and AbiWord write it (fixtures made from our own
// documents by fixtures/make-fixtures.sh), and RTF of ours as LibreOffice reads it.
#include "documentdescription.h"
#include "platform/richtext/rtfreader.h"
#include "platform/richtext/rtfwriter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace richtext_testing;

namespace {

QByteArray fixture(const QString &name)
{
    QFile file(QStringLiteral(RTF_FIXTURES "/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll();
}

// The notice board reads the same from both writers: its text, paragraphs,
// alignment, bold, italic, underline, fonts and colours.
void checkNoticeBoard(const QTextDocument &document)
{
    const QStringList texts = paragraphs(document);
    EXPECT_EQ(texts.value(0), QStringLiteral("Harbour Reading Room"));
    EXPECT_TRUE(texts.contains("The reading room opens at nine and closes at half past five; bring your card."));
    EXPECT_TRUE(texts.contains(QString::fromUtf8(
        "Café crème, naïve façade, Ωμέγα, Привет, 港口 and a boat ⛵ all wait on the quay.")));
    EXPECT_TRUE(texts.contains("Red notice and marked words"));
    EXPECT_TRUE(texts.contains("Tide"));
    EXPECT_TRUE(texts.contains("High water"));
    EXPECT_TRUE(texts.contains("Last line."));

    EXPECT_EQ(alignmentOf(document, "Harbour"), "centre");
    EXPECT_EQ(alignmentOf(document, "opens"), "left");
    EXPECT_EQ(alignmentOf(document, "Room 4"), "right");
    EXPECT_EQ(alignmentOf(document, "quay"), "justified");

    EXPECT_EQ(formatText(document, "Harbour"), "DejaVu Serif 18 bold");
    EXPECT_EQ(formatText(document, "The reading"), "DejaVu Sans 11");
    EXPECT_EQ(formatText(document, "nine"), "DejaVu Sans 11 bold");
    EXPECT_EQ(formatText(document, "half past"), "DejaVu Sans 11 italic");
    EXPECT_EQ(formatText(document, "bring your"), "DejaVu Sans 11 underline");
    EXPECT_EQ(formatText(document, "Room 4"), "DejaVu Sans Mono 10");
    EXPECT_EQ(formatText(document, QString::fromUtf8("Привет")), "DejaVu Sans 11");
    EXPECT_EQ(formatText(document, "Red notice"), "DejaVu Sans 11 colour #c00000");
    EXPECT_EQ(formatText(document, "marked"), "DejaVu Sans 11 highlight #ffff00");
}

// The timetable shows its body only: no header, footer, picture data or field
// instructions; a link's text and the tabs and line break stay.
void checkFerryTimetable(const QTextDocument &document)
{
    const QString text = document.toPlainText();
    EXPECT_FALSE(text.contains("Running head"));
    EXPECT_FALSE(text.contains("Sheet"));
    EXPECT_FALSE(text.contains("HYPERLINK"));
    EXPECT_FALSE(text.contains("PAGE"));
    EXPECT_FALSE(text.contains("0000"));
    EXPECT_FALSE(text.contains("c8283"));
    const QStringList texts = paragraphs(document);
    EXPECT_EQ(texts.value(0), QStringLiteral("Ferry timetable"));
    EXPECT_TRUE(texts.contains("First boat\t06:15|Last boat\t22:40")) << texts.join("\n").toStdString();
    EXPECT_EQ(alignmentOf(document, "Ferry"), "centre");
    EXPECT_EQ(formatText(document, "Ferry"), "DejaVu Serif 16 bold");
    EXPECT_EQ(formatText(document, "every hour"), "DejaVu Sans 11 bold");
    EXPECT_EQ(alignmentOf(document, "Printed on sheet"), "right");
    EXPECT_EQ(formatText(document, "Printed"), "DejaVu Sans 11 italic");
    EXPECT_NE(text.indexOf("See the ferry page for changes."), -1) << text.toStdString();
}

}  // namespace

TEST(RtfFixtures, LibreOfficeWriter)
{
    QTextDocument notice;
    ASSERT_TRUE(platform::readRtf(fixture("notice-board-libreoffice.rtf"), &notice));
    checkNoticeBoard(notice);
    QTextDocument ferry;
    ASSERT_TRUE(platform::readRtf(fixture("ferry-timetable-libreoffice.rtf"), &ferry));
    checkFerryTimetable(ferry);
    // The page number field shows its result.
    EXPECT_TRUE(paragraphs(ferry).contains("Printed on sheet 1."));
}

TEST(RtfFixtures, AbiWord)
{
    QTextDocument notice;
    ASSERT_TRUE(platform::readRtf(fixture("notice-board-abiword.rtf"), &notice));
    checkNoticeBoard(notice);
    QTextDocument ferry;
    ASSERT_TRUE(platform::readRtf(fixture("ferry-timetable-abiword.rtf"), &ferry));
    checkFerryTimetable(ferry);
}

// Our RTF, opened by LibreOffice Writer and saved as HTML, has its text and formatting.
TEST(RtfFixtures, OursOpensInLibreOfficeWriter)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());

    QTextDocument document;
    QTextCursor cursor(&document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.setBlockFormat(centred);
    QTextCharFormat heading;
    heading.setFontFamilies({QStringLiteral("DejaVu Serif")});
    heading.setFontPointSize(20);
    heading.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("Quayside"), heading);
    cursor.insertBlock(QTextBlockFormat());
    QTextCharFormat plain;
    plain.setFontFamilies({QStringLiteral("DejaVu Sans")});
    plain.setFontPointSize(11);
    cursor.insertText(QStringLiteral("Boats are "), plain);
    QTextCharFormat italic = plain;
    italic.setFontItalic(true);
    cursor.insertText(QStringLiteral("late"), italic);
    QTextCharFormat red = plain;
    red.setForeground(QColor(0xC0, 0, 0));
    cursor.insertText(QString::fromUtf8(" — Привет 港口 🌊"), red);

    QFile rtf(folder.filePath("ours.rtf"));
    ASSERT_TRUE(rtf.open(QIODevice::WriteOnly));
    rtf.write(platform::writeRtf(document));
    rtf.close();

    QProcess office;
    office.setWorkingDirectory(folder.path());
    office.start(soffice, {"-env:UserInstallation=" + QUrl::fromLocalFile(folder.filePath("profile")).toString(),
                           "--headless", "--convert-to", "html:XHTML Writer File:UTF8", "--outdir",
                           folder.path(), rtf.fileName()});
    ASSERT_TRUE(office.waitForFinished(120000)) << "LibreOffice did not finish";
    QFile html(folder.filePath("ours.html"));
    ASSERT_TRUE(html.open(QIODevice::ReadOnly)) << office.readAllStandardError().toStdString();
    const QString page = QString::fromUtf8(html.readAll());
    EXPECT_TRUE(page.contains("Quayside"));
    EXPECT_TRUE(page.contains(QString::fromUtf8("Boats are ")));
    EXPECT_TRUE(page.contains(QString::fromUtf8("— Привет 港口 🌊")));
    EXPECT_TRUE(page.contains("DejaVu Serif"));
    EXPECT_TRUE(page.contains("DejaVu Sans"));
    EXPECT_TRUE(page.contains("font-weight:bold")) << page.toStdString();
    EXPECT_TRUE(page.contains("font-style:italic"));
    EXPECT_TRUE(page.contains("text-align:center"));
    EXPECT_TRUE(page.contains("#c00000", Qt::CaseInsensitive));
}
