#include "platform/twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace platform {
namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kDefaultDpi = 96.0;

// The dots per inch the desktop lays windows out with (the logical dpi, which is
// what the original platform's twips-per-pixel is made of).
double screenDpi(bool horizontal)
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            const double dpi =
                horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
            if (dpi > 0 && std::isfinite(dpi))
                return dpi;
        }
    }
    return kDefaultDpi;
}

int toInt(double value)
{
    return static_cast<int>(std::lround(value));
}

}  // namespace

double twipsPerPixelX() { return kTwipsPerInch / screenDpi(true); }
double twipsPerPixelY() { return kTwipsPerInch / screenDpi(false); }

int twipsToPixelsX(int twips) { return toInt(twips / twipsPerPixelX()); }
int twipsToPixelsY(int twips) { return toInt(twips / twipsPerPixelY()); }
int pixelsToTwipsX(int pixels) { return toInt(pixels * twipsPerPixelX()); }
int pixelsToTwipsY(int pixels) { return toInt(pixels * twipsPerPixelY()); }

}  // namespace platform
