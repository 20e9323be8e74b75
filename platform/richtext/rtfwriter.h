#pragma once
// Writing a QTextDocument as RTF: how the page editor stores a page's body.
// Whatever this writes, readRtf reads back to the same document: its text,
// paragraphs, line breaks and tabs, alignment, bold, italic, underline, font
// family and size, text and highlight colours. A character of Windows-1252 is
// written as \'xx, any other as \uN with "?" standing in for readers without
// Unicode, so the bytes are 7-bit ASCII whatever the script of the text.
#include <QByteArray>

class QTextDocument;

namespace platform {

QByteArray writeRtf(const QTextDocument &document);

}  // namespace platform
