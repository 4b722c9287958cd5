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
