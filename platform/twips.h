#pragma once
// Twips (1/1440 inch): 15 per pixel at 96 dpi. Converted with the primary screen's
// real dpi when a QGuiApplication exists, else at 96 dpi.
#include <QRect>
#include <QWidget>

namespace platform {

double twipsPerPixelX();
double twipsPerPixelY();
int twipsToPixelsX(int twips);
int twipsToPixelsY(int twips);
int pixelsToTwipsX(int pixels);
int pixelsToTwipsY(int pixels);

// A rectangle given in twips, in pixels.
inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixelsX(left), twipsToPixelsY(top), twipsToPixelsX(width),
                 twipsToPixelsY(height));
}

// Places a control at a position and size given in twips.
inline void placeInTwips(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(twipsRect(left, top, width, height));
}

}  // namespace platform
