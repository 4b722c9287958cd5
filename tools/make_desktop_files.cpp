// Writes the desktop entry, listing the picture types that this machine's Qt reads, and the
// program's icon as PNGs of the sizes desktops look for, into the folder given.
#include "picture/formats.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <cstdio>

namespace {

// The same drawing as the scalable icon: three planes and their grey sum in a blue frame.
QImage icon(int side)
{
    QImage img(side, side, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.scale(side / 16.0, side / 16.0);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 255), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(0.5, 0.5, 15, 15));
    p.fillRect(QRectF(2, 2, 5, 5), QColor(255, 0, 0));
    p.fillRect(QRectF(9, 2, 5, 5), QColor(0, 192, 0));
    p.fillRect(QRectF(2, 9, 5, 5), QColor(0, 0, 255));
    p.fillRect(QRectF(9, 9, 5, 5), QColor(128, 128, 128));
    return img;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: tintara_desktop_files FOLDER APPLICATION_ID\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const QString id = QString::fromLatin1(argv[2]);
    bool ok = dir.mkpath(QStringLiteral("."));
    QStringList types;
    for (const QByteArray &type : QImageReader::supportedMimeTypes())
        types << QString::fromLatin1(type);
    types << picture::extraMimeTypes();
    types.removeDuplicates();
    types.sort();
    QFile entry(dir.filePath(id + QStringLiteral(".desktop")));
    ok = ok && entry.open(QIODevice::WriteOnly | QIODevice::Truncate);
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Tintara\n"
                                        "GenericName=Channel plane viewer\n"
                                        "Comment=See outlines and edges by splitting a picture "
                                        "into channel planes\n"
                                        "Exec=tintara %f\n"
                                        "Icon=%2\n"
                                        "Terminal=false\n"
                                        "Categories=Graphics;Education;\n"
                                        "Keywords=edge;outline;channel;threshold;histogram;"
                                        "block;contrast;\n"
                                        "MimeType=%1;\n")
                             .arg(types.join(QLatin1Char(';')), id);
    ok = ok && entry.write(text.toUtf8()) > 0;
    for (const int side : {16, 32, 48, 128, 256}) {
        const QString folder = QStringLiteral("icons/%1x%1").arg(side);
        ok = ok && dir.mkpath(folder) &&
             icon(side).save(dir.filePath(folder + QLatin1Char('/') + id + QStringLiteral(".png")));
    }
    return ok ? 0 : 1;
}
