// What the writer writes, the reader reads back to the same document.
#include "documentdescription.h"
#include "platform/richtext/rtfreader.h"
#include "platform/richtext/rtfwriter.h"

#include <QRandomGenerator>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace richtext_testing;

namespace {

struct RunSpec {
    QString text{};
    QString family{};  // empty: the document's default font
    double points = 0;  // 0: the default size
    bool bold = false, italic = false, underline = false;
    QColor foreground{}, background{};
};

void addRun(QTextCursor &cursor, const RunSpec &run)
{
    QTextCharFormat format;
    if (!run.family.isEmpty())
        format.setFontFamilies({run.family});
    if (run.points > 0)
        format.setFontPointSize(run.points);
    format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(run.italic);
    format.setFontUnderline(run.underline);
    if (run.foreground.isValid())
        format.setForeground(run.foreground);
    if (run.background.isValid())
        format.setBackground(run.background);
    cursor.insertText(run.text, format);
}

void setAlignment(QTextCursor &cursor, Qt::Alignment alignment)
{
    QTextBlockFormat format = cursor.blockFormat();
    format.setAlignment(alignment);
    cursor.setBlockFormat(format);
}

// Writes and reads again; the bytes written are ASCII whatever the text.
std::string roundTrip(const QTextDocument &document, QByteArray *written = nullptr)
{
    const QByteArray rtf = platform::writeRtf(document);
    if (written)
        *written = rtf;
    for (const char c : rtf)
        EXPECT_TRUE(static_cast<unsigned char>(c) < 0x80) << "8-bit byte in the RTF";
    QTextDocument back;
    back.setDefaultFont(QFont(QStringLiteral("Nimbus Sans"), 31));  // nothing may rest on defaults
    EXPECT_TRUE(platform::readRtf(rtf, &back));
    return describe(back);
}

}  // namespace

TEST(RtfRoundTrip, EveryFormattingTheEditorKeeps)
{
    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 11));
    QTextCursor cursor(&document);
    setAlignment(cursor, Qt::AlignHCenter);
    addRun(cursor, {"Harbour notices", "DejaVu Serif", 20, true});
    cursor.insertBlock();
    setAlignment(cursor, Qt::AlignLeft);
    addRun(cursor, {"Plain, "});
    addRun(cursor, {"bold", {}, 0, true});
    addRun(cursor, {", "});
    addRun(cursor, {"italic", {}, 0, false, true});
    addRun(cursor, {", "});
    addRun(cursor, {"underlined", {}, 0, false, false, true});
    addRun(cursor, {" and all three", "DejaVu Sans Mono", 9.5, true, true, true});
    cursor.insertBlock();
    setAlignment(cursor, Qt::AlignRight);
    addRun(cursor, {"red on yellow", {}, 14, false, false, false, QColor(200, 0, 0), QColor(255, 255, 0)});
    addRun(cursor, {QString::fromUtf8("\tafter a tab\u2028on a new line")});
    cursor.insertBlock();
    setAlignment(cursor, Qt::AlignJustify);
    addRun(cursor, {"braces {like these} and back\\slashes stay text", "Liberation Serif", 12});
    cursor.insertBlock();  // an empty paragraph in the middle
    cursor.insertBlock();
    addRun(cursor, {"last"});
    const std::string before = describe(document);
    EXPECT_EQ(roundTrip(document), before);
}

TEST(RtfRoundTrip, TextInAnyScript)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    addRun(cursor, {QString::fromUtf8("Café crème, naïve façade, € 5 – “quoted” … "), "DejaVu Sans", 12});
    addRun(cursor, {QString::fromUtf8("Ωμέγα Привет 港口の朝 한국어 עברית العربية "), "DejaVu Sans", 12, true});
    addRun(cursor, {QString::fromUtf8("⛵ 🚢🌊 𝄞 and a lone high € sign"), "DejaVu Sans", 12});
    cursor.insertBlock();
    addRun(cursor, {QString::fromUtf8("\u00a0non-breaking\u00a0spaces and ÿ, Ÿ, ‰")});
    const std::string before = describe(document);
    QByteArray rtf;
    EXPECT_EQ(roundTrip(document, &rtf), before);
    // Windows-1252 characters go as \'xx, so older readers see them too.
    EXPECT_TRUE(rtf.contains("Caf\\'e9"));
    EXPECT_TRUE(rtf.contains("\\'80"));
}

TEST(RtfRoundTrip, EmptyDocumentsAndEmptyParagraphs)
{
    QTextDocument empty;
    EXPECT_EQ(roundTrip(empty), describe(empty));

    QTextDocument onlyEmpty;
    QTextCursor cursor(&onlyEmpty);
    cursor.insertBlock();
    cursor.insertBlock();
    EXPECT_EQ(roundTrip(onlyEmpty), describe(onlyEmpty));

    QTextDocument trailing;
    QTextCursor end(&trailing);
    addRun(end, {"text then two empty paragraphs"});
    end.insertBlock();
    end.insertBlock();
    EXPECT_EQ(roundTrip(trailing), describe(trailing));
}

TEST(RtfRoundTrip, RandomDocuments)
{
    const QStringList pieces = {
        "word", " ", "\t", QString(QChar::LineSeparator), "{", "}", "\\", ";", "?", "\\par",
        QString::fromUtf8("é"), QString::fromUtf8("€"), QString::fromUtf8("Ж"), QString::fromUtf8("港"),
        QString::fromUtf8("🌊"), QString::fromUtf8("\u00a0"), "0123", "\\'41", "\\u65",
    };
    const QStringList families = {"", "DejaVu Sans", "DejaVu Serif", "Noto Sans CJK JP", "Font With Spaces"};
    const QList<QColor> colours = {QColor(), QColor(Qt::red), QColor(0, 128, 0), QColor(1, 2, 3)};
    const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight, Qt::AlignJustify};
    QRandomGenerator random(20240611);
    for (int round = 0; round < 150; ++round) {
        QTextDocument document;
        document.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 10));
        QTextCursor cursor(&document);
        const int blocks = random.bounded(1, 6);
        for (int b = 0; b < blocks; ++b) {
            if (b > 0)
                cursor.insertBlock();
            setAlignment(cursor, alignments[random.bounded(4)]);
            const int runs = random.bounded(0, 6);
            for (int r = 0; r < runs; ++r) {
                RunSpec run;
                for (int n = random.bounded(1, 5); n > 0; --n)
                    run.text += pieces[random.bounded(pieces.size())];
                run.family = families[random.bounded(families.size())];
                run.points = random.bounded(3) == 0 ? 0 : random.bounded(2, 145) / 2.0;
                run.bold = random.bounded(2);
                run.italic = random.bounded(2);
                run.underline = random.bounded(2);
                run.foreground = colours[random.bounded(colours.size())];
                run.background = colours[random.bounded(colours.size())];
                addRun(cursor, run);
            }
        }
        const std::string before = describe(document);
        ASSERT_EQ(roundTrip(document), before) << "round " << round;
    }
}
