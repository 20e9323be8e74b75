#pragma once
// The page editor's look, defined once: colours of its windows and the font
// of its controls.
#include <QColor>
#include <QFont>
#include <QWidget>

namespace formlook {

inline const QColor form1Grey(0xE0, 0xE0, 0xE0);
inline const QColor editToolsGrey(0xCC, 0xCC, 0xCC);
inline const QColor loadingGrey(0xEE, 0xEE, 0xEE);
inline const QColor fwdPink(0xFF, 0xC0, 0xC0);

inline QFont controlFont()
{
    return QFont(QStringLiteral("Tahoma"), 8);
}

inline void paintBackground(QWidget *widget, const QColor &colour)
{
    widget->setAutoFillBackground(true);
    QPalette colours = widget->palette();
    colours.setColor(QPalette::Window, colour);
    widget->setPalette(colours);
}

}  // namespace formlook
