#pragma once
// A document written out as text, one line per paragraph: its alignment, then
// each run of equal formatting with that formatting made explicit (the default
// font filled in). Two documents that describe alike look alike.
#include <QColor>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include <string>

namespace richtext_testing {

inline QString describeFormat(const QTextDocument &document, const QTextCharFormat &format)
{
    const QStringList families = format.fontFamilies().toStringList();
    const QString family = families.isEmpty() ? document.defaultFont().family() : families.first();
    const double points = format.fontPointSize() > 0 ? format.fontPointSize() : document.defaultFont().pointSizeF();
    QString text = QStringLiteral("%1 %2").arg(family).arg(points);
    if (format.fontWeight() > QFont::Medium)
        text += QStringLiteral(" bold");
    if (format.fontItalic())
        text += QStringLiteral(" italic");
    if (format.fontUnderline())
        text += QStringLiteral(" underline");
    if (format.foreground().style() != Qt::NoBrush)
        text += QStringLiteral(" colour ") + format.foreground().color().name();
    if (format.background().style() != Qt::NoBrush)
        text += QStringLiteral(" highlight ") + format.background().color().name();
    return text;
}

inline QString describeAlignment(Qt::Alignment alignment)
{
    alignment &= Qt::AlignHorizontal_Mask;
    if (alignment & Qt::AlignHCenter)
        return QStringLiteral("centre");
    if (alignment & Qt::AlignJustify)
        return QStringLiteral("justified");
    if (alignment & Qt::AlignRight)
        return QStringLiteral("right");
    return QStringLiteral("left");
}

inline std::string describe(const QTextDocument &document)
{
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString line = describeAlignment(block.blockFormat().alignment()) + QLatin1Char(':');
        QString lastFormat;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QString format = describeFormat(document, it.fragment().charFormat());
            if (format != lastFormat)
                line += QStringLiteral(" [") + format + QStringLiteral("] ");
            line += it.fragment().text();
            lastFormat = format;
        }
        lines << line;
    }
    return lines.join(QLatin1Char('\n')).toStdString();
}

// The format of the first character of the first occurrence of `text`.
inline QTextCharFormat formatOf(const QTextDocument &document, const QString &text)
{
    const QTextCursor found = document.find(text);
    if (found.isNull())
        return QTextCharFormat();
    QTextCursor at(const_cast<QTextDocument *>(&document));
    at.setPosition(found.selectionStart() + 1);
    return at.charFormat();
}

inline QString formatText(const QTextDocument &document, const QString &text)
{
    if (document.find(text).isNull())
        return QStringLiteral("(not found: ") + text + QLatin1Char(')');
    return describeFormat(document, formatOf(document, text));
}

// The alignment of the paragraph holding `text`.
inline QString alignmentOf(const QTextDocument &document, const QString &text)
{
    const QTextCursor found = document.find(text);
    if (found.isNull())
        return QStringLiteral("(not found: ") + text + QLatin1Char(')');
    return describeAlignment(found.block().blockFormat().alignment());
}

// Paragraph texts, line breaks shown as "|".
inline QStringList paragraphs(const QTextDocument &document)
{
    QStringList texts;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        texts << block.text().replace(QChar::LineSeparator, QLatin1Char('|'));
    return texts;
}

}  // namespace richtext_testing
