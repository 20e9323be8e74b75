#pragma once
// The suite's one text codec. Files and database texts are UTF-8; bytes that are
// not valid UTF-8 were written on the original platform and are Windows-1252.
#include <QByteArray>
#include <QString>

namespace platform {

// Decodes bytes as UTF-8 when they are valid UTF-8, else as Windows-1252.
QString decodeText(const QByteArray &bytes);

// Encodes as UTF-8 (the suite always writes UTF-8).
QByteArray encodeText(const QString &text);

}  // namespace platform
