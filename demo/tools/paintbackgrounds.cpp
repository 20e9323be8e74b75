// Paints the demo's background pictures: paintbackgrounds OUTPUT_FOLDER.
// Gradients and shapes only, so that no font or display is needed at build time.
#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <cmath>
#include <cstdio>

namespace {

constexpr int width = 1280;
constexpr int height = 720;

// A picture filled from top to bottom with a gradient of the given stops.
QImage verticalGradient(const QGradientStops &stops)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, height);
    gradient.setStops(stops);
    painter.fillRect(image.rect(), gradient);
    return image;
}

QImage dawn()
{
    QImage image = verticalGradient({{0.0, QColor(0x06, 0x2B, 0x50)},
                                     {0.55, QColor(0xC8, 0x6B, 0x3C)},
                                     {1.0, QColor(0xF3, 0xD9, 0xA4)}});
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient sun(width * 0.72, height * 0.62, 160);
    sun.setColorAt(0.0, QColor(255, 240, 200, 255));
    sun.setColorAt(1.0, QColor(255, 200, 120, 0));
    painter.setBrush(sun);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(width * 0.72, height * 0.62), 160, 160);
    for (int layer = 0; layer < 3; ++layer) {
        QPainterPath hills;
        hills.moveTo(0, height);
        for (int x = 0; x <= width; x += 40) {
            const double wave = std::sin((x + layer * 210) / (180.0 + layer * 60)) * (30 + layer * 12);
            hills.lineTo(x, height * (0.72 + layer * 0.09) + wave);
        }
        hills.lineTo(width, height);
        hills.closeSubpath();
        painter.setBrush(QColor(0x10 + layer * 8, 0x22 + layer * 6, 0x30 + layer * 4, 230));
        painter.drawPath(hills);
    }
    return image;
}

QImage harbour()
{
    QImage image = verticalGradient({{0.0, QColor(0x9C, 0xC9, 0xD6)},
                                     {0.5, QColor(0x2E, 0x7D, 0x7A)},
                                     {1.0, QColor(0x0B, 0x2E, 0x33)}});
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255, 60), 3));
    for (int row = 0; row < 12; ++row) {
        const double y = height * 0.5 + row * 26;
        QPainterPath wave;
        wave.moveTo(0, y);
        for (int x = 0; x <= width; x += 20)
            wave.lineTo(x, y + std::sin((x + row * 37) / 45.0) * 5);
        painter.drawPath(wave);
    }
    return image;
}

QImage night()
{
    QImage image = verticalGradient({{0.0, QColor(0x02, 0x05, 0x12)}, {1.0, QColor(0x06, 0x2B, 0x50)}});
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QRandomGenerator stars(1729);  // the same sky on every build
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 420; ++i) {
        const int alpha = 80 + stars.bounded(175);
        painter.setBrush(QColor(255, 255, 240, alpha));
        const double r = 0.5 + stars.bounded(15) / 10.0;
        painter.drawEllipse(QPointF(stars.bounded(width), stars.bounded(height)), r, r);
    }
    return image;
}

}  // namespace

int main(int argc, char *argv[])
{
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);
    const struct {
        const char *name;
        QImage image;
    } pictures[] = {{"dawn.png", dawn()}, {"harbour.png", harbour()}, {"night.png", night()}};
    for (const auto &picture : pictures) {
        const QString path = folder + QLatin1Char('/') + QLatin1String(picture.name);
        if (!picture.image.save(path, "PNG")) {
            std::fprintf(stderr, "paintbackgrounds: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
