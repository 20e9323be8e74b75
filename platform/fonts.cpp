#include "platform/fonts.h"

#include "platform/programfolder.h"

#include <QFontDatabase>

namespace platform {
namespace {

const QString kTahoma = QStringLiteral("Tahoma");

bool tahomaKnown() { return QFontDatabase::families().contains(kTahoma); }

}  // namespace

QStringList tahomaFontFolders()
{
    // Debian's fonts-wine.
    return {QStringLiteral("/usr/share/wine/fonts")};
}

bool registerTahoma(const QStringList &folders)
{
    if (tahomaKnown())
        return true;
    for (const QString &folder : folders) {
        const QString regular = joinPath(folder, QStringLiteral("tahoma.ttf"));
        if (!fileExists(regular))
            continue;
        if (QFontDatabase::addApplicationFont(regular) < 0)
            continue;
        const QString bold = joinPath(folder, QStringLiteral("tahomabd.ttf"));
        if (fileExists(bold))
            QFontDatabase::addApplicationFont(bold);
        break;
    }
    return tahomaKnown();
}

}  // namespace platform
