#include "support/pictures.h"

#include "app/form1.h"
#include "support/modalscript.h"

#include <QPainter>
#include <QTest>

namespace testpics {

QImage solid(int w, int h, QColor c)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

QImage split(int w, int h, QColor top, QColor bottom)
{
    QImage img = solid(w, h, top);
    QPainter p(&img);
    p.fillRect(0, h / 2, w, h - h / 2, bottom);
    return img;
}

QString write(const QTemporaryDir &dir, const QString &name, const QImage &img, const char *format,
              int quality)
{
    const QString path = dir.filePath(name);
    if (!img.save(path, format, quality))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray gif(const QImage &img)
{
    const int w = img.width(), h = img.height();
    QByteArray out("GIF89a");
    auto word = [&out](int v) {
        out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
    };
    word(w);
    word(h);
    out.append(char(0xF7)).append('\0').append('\0'); // global table of 256 colours
    for (int i = 0; i < 256; ++i)
        out.append(char((i >> 5) * 255 / 7))
            .append(char(((i >> 2) & 7) * 255 / 7))
            .append(char((i & 3) * 255 / 3));
    out.append(',');
    word(0);
    word(0);
    word(w);
    word(h);
    out.append('\0').append(char(8)); // no local table; LZW minimum code size 8
    // Codes stay 9 bits wide: a clear code comes before the table would grow.
    QByteArray data;
    quint32 bits = 0;
    int count = 0;
    auto code = [&](int c) {
        bits |= quint32(c) << count;
        count += 9;
        while (count >= 8) {
            data.append(char(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    };
    int run = 0;
    code(256);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb p = img.pixel(x, y);
            code(((qRed(p) >> 5) << 5) | ((qGreen(p) >> 5) << 2) | (qBlue(p) >> 6));
            if (++run == 250) {
                code(256);
                run = 0;
            }
        }
    code(257);
    if (count > 0)
        data.append(char(bits & 0xFF));
    for (int at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        out.append(char(block.size())).append(block);
    }
    out.append('\0').append(';');
    return out;
}

void load(Form1 &form, const QString &path)
{
    ModalScript script;
    script.chooseFile(path);
    form.Command8_Click();
    QVERIFY(script.done());
}

void start(Form1 &form)
{
    form.Form_Load();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
}

} // namespace testpics
