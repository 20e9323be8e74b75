#pragma once
// Twips (1/1440 inch): 15 per pixel at 96 dpi. Converted with the primary screen's
// real dpi when a QGuiApplication exists, else at 96 dpi.
namespace platform {

double twipsPerPixelX();
double twipsPerPixelY();
int twipsToPixelsX(int twips);
int twipsToPixelsY(int twips);
int pixelsToTwipsX(int pixels);
int pixelsToTwipsY(int pixels);

}  // namespace platform
