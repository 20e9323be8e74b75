#pragma once
// The suite's one text codec. Files and database texts are UTF-8; bytes that are
// not valid UTF-8 were written on the original platform and are Windows-1252.
// The choice is made per line: a settings file edited on both platforms holds
// lines of each, and one such line must not change how the others read.
#include <QByteArray>
#include <QString>

namespace platform {

// Decodes each line (ended by CR or LF, which both codes write alike) as UTF-8
// when its bytes are valid UTF-8, else as Windows-1252. Line ends are kept.
QString decodeText(const QByteArray &bytes);

// Encodes as UTF-8 (the suite always writes UTF-8).
QByteArray encodeText(const QString &text);

}  // namespace platform
