#pragma once
// The looks the shell's windows share: Tahoma on every control (the programs
// register a free font with its metrics), the dark blue of the title strips with
// white text, and the light grey of TS's menu panel.
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>

namespace looks {

inline QColor darkBlue() { return QColor(0x06, 0x2B, 0x50); }
inline QColor panelGrey() { return QColor(0xDE, 0xDE, 0xEB); }

inline QFont tahoma(int points = 8, bool bold = false)
{
    QFont font(QStringLiteral("Tahoma"), points);
    font.setBold(bold);
    return font;
}

// A title strip: bold white Tahoma on the dark blue.
inline void makeTitleStrip(QLabel *label)
{
    label->setFont(tahoma(8, true));
    label->setAutoFillBackground(true);
    QPalette colours = label->palette();
    colours.setColor(QPalette::Window, darkBlue());
    colours.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(colours);
}

}  // namespace looks
