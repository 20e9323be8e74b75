#pragma once
// Window geometry is given in twips; widgets are placed in pixels.
#include "platform/twips.h"

#include <QRect>
#include <QWidget>

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(platform::twipsToPixelsX(left), platform::twipsToPixelsY(top),
                 platform::twipsToPixelsX(width), platform::twipsToPixelsY(height));
}

inline void placeInTwips(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(twipsRect(left, top, width, height));
}
