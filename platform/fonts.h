#pragma once
// The windows are laid out in twips for "Tahoma". Debian ships a free font with
// Tahoma's metrics in fonts-wine, but in a folder that fontconfig does not scan,
// so every program registers it with Qt itself, right after creating its
// application object.
#include <QString>
#include <QStringList>

namespace platform {

// Folders searched for the Tahoma-metric font files, in order.
QStringList tahomaFontFolders();

// Registers "tahoma.ttf" and "tahomabd.ttf" from the first of `folders` that holds
// them, unless the font database already knows the family "Tahoma". Needs a
// QGuiApplication. Returns true when "Tahoma" is known afterwards; without the font
// the windows fall back to the desktop's font, which is no error.
bool registerTahoma(const QStringList &folders = tahomaFontFolders());

}  // namespace platform
