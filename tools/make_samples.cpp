// Draws Tintara's sample pictures into the folder given as the only argument.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

QImage testCard()
{
    QImage img(640, 480, QImage::Format_RGB32);
    img.fill(QColor(40, 40, 48));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // Colour bars
    const QColor bars[] = {Qt::white,   Qt::yellow, Qt::cyan, Qt::green,
                           Qt::magenta, Qt::red,    Qt::blue, Qt::black};
    for (int i = 0; i < 8; ++i)
        p.fillRect(20 + i * 75, 20, 75, 120, bars[i]);
    // Grey and colour gradients
    QLinearGradient grey(20, 0, 620, 0);
    grey.setColorAt(0, Qt::black);
    grey.setColorAt(1, Qt::white);
    p.fillRect(20, 150, 600, 40, grey);
    QLinearGradient hue(20, 0, 620, 0);
    for (int i = 0; i <= 6; ++i)
        hue.setColorAt(i / 6.0, QColor::fromHsv((i * 60) % 360, 255, 255));
    p.fillRect(20, 195, 600, 40, hue);
    // Shapes
    p.setPen(QPen(Qt::white, 3));
    p.setBrush(QColor(220, 60, 40));
    p.drawEllipse(QPointF(120, 330), 70, 70);
    p.setBrush(QColor(40, 160, 220));
    p.drawRect(220, 260, 140, 140);
    p.setBrush(QColor(250, 200, 30));
    QPainterPath tri;
    tri.moveTo(480, 260);
    tri.lineTo(560, 400);
    tri.lineTo(400, 400);
    tri.closeSubpath();
    p.drawPath(tri);
    // Fine lines: vertical and horizontal gratings of 1, 2 and 3 pixels
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int k = 0; k < 3; ++k) {
        const int step = (k + 1) * 2;
        for (int x = 0; x < 60; x += step)
            p.fillRect(20 + k * 70 + x, 415, step / 2, 50, Qt::white);
    }
    for (int k = 0; k < 3; ++k) {
        const int step = (k + 1) * 2;
        for (int y = 0; y < 50; y += step)
            p.fillRect(240 + k * 70, 415 + y, 60, step / 2, Qt::white);
    }
    // Text
    p.setPen(Qt::white);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(26);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(450, 415, 180, 50), Qt::AlignCenter, QStringLiteral("TINTARA"));
    return img;
}

QImage landscape()
{
    const int w = 800, h = 533;
    QImage img(w, h, QImage::Format_RGB32);
    std::mt19937 rng(7);
    std::normal_distribution<double> grain(0.0, 6.0);
    // Ridges from a few summed sines: a mountain skyline in front of a sky and a lake.
    auto ridge = [](double x, double base, double amp, double phase) {
        return base -
               amp * (0.6 * std::sin(x * 0.011 + phase) + 0.3 * std::sin(x * 0.037 + 2 * phase) +
                      0.1 * std::sin(x * 0.13 + phase));
    };
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double t = double(y) / h;
            double r = 90 + 120 * t, g = 140 + 80 * t, b = 230 - 20 * t; // sky
            const double sun = std::hypot(x - 600.0, y - 120.0);
            if (sun < 45)
                r = 255, g = 235, b = 160;
            else if (sun < 90)
                r += (90 - sun) * 2, g += (90 - sun) * 1.5;
            if (y > ridge(x, 260, 60, 0.5))
                r = 110, g = 110, b = 130; // far range
            if (y > ridge(x, 330, 45, 2.0))
                r = 60, g = 95, b = 60; // near hills
            if (y > 400) {
                const double ripple = 8 * std::sin(y * 0.9 + x * 0.02);
                r = 40 + ripple, g = 80 + ripple, b = 140 + ripple; // lake
            }
            const double n = grain(rng);
            line[x] = qRgb(qBound(0, int(r + n), 255), qBound(0, int(g + n), 255),
                           qBound(0, int(b + n), 255));
        }
    }
    return img;
}

QImage rings()
{
    const int s = 512;
    QImage img(s, s, QImage::Format_RGB32);
    for (int y = 0; y < s; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < s; ++x) {
            const double dx = x - s / 2.0, dy = y - s / 2.0;
            const double r2 = (dx * dx + dy * dy) / (s * 1.2);
            const int v = int(127.5 + 127.5 * std::cos(r2));
            line[x] = qRgb(v, (v + x / 2) % 256, 255 - v);
        }
    }
    return img;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: tintara_samples FOLDER\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const bool ok =
        testCard().save(dir.filePath(QStringLiteral("sample-testcard.png"))) &&
        landscape().save(dir.filePath(QStringLiteral("sample-landscape.jpg")), "JPG", 90) &&
        rings().save(dir.filePath(QStringLiteral("sample-rings.png")));
    return ok ? 0 : 1;
}
