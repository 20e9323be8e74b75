#pragma once
// Reading RTF into a QTextDocument: the page editor's rich-text box takes its
// pages this way. What is read: paragraphs and line breaks, alignment (left,
// centre, right, justified), bold, italic, underline, font family and size, text
// and highlight colours, tabs, the code-page escapes \'xx (Windows-1252 unless the
// document or its font says otherwise) and Unicode \uN with its fallback count.
// Tables are read as plain paragraphs, one per cell. Groups the reader does not
// show (\* destinations, pictures, objects, field instructions, headers, footers,
// footnotes, style sheets, document information) are skipped, never shown as text;
// a field's result, the text a reader of the page sees, is shown.
#include <QByteArray>

class QTextDocument;

namespace platform {

// True when the bytes begin an RTF document: "{\rtf" after optional white space.
bool isRtf(const QByteArray &bytes);

// Replaces the document's content with the RTF's text and formatting. Returns
// false, leaving the document as it was, when the bytes are not RTF (isRtf). A
// damaged or truncated document gives what could be read up to the damage; no
// input makes the reader fail otherwise, loop or run out of bounds.
bool readRtf(const QByteArray &rtf, QTextDocument *document);

}  // namespace platform
