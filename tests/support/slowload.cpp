#include "support/slowload.h"

#include <QApplication>
#include <QImage>
#include <QImageWriter>
#include <QProgressDialog>
#include <random>

namespace testpics {

QString writeSlowJpeg(const QTemporaryDir &dir, const QString &name, int side)
{
    QImage noise(side, side, QImage::Format_RGB888);
    std::mt19937 rng(7);
    for (int y = 0; y < side; ++y) {
        uchar *line = noise.scanLine(y);
        for (qsizetype i = 0; i < noise.bytesPerLine(); i += 4) {
            const auto r = rng();
            std::memcpy(line + i, &r, std::min<qsizetype>(4, noise.bytesPerLine() - i));
        }
    }
    const QString path = dir.filePath(name);
    QImageWriter writer(path, "jpeg");
    writer.setQuality(100);
    writer.setProgressiveScanWrite(true);
    if (!writer.write(noise))
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(writer.errorString()));
    return path;
}

} // namespace testpics

ProgressWatcher::ProgressWatcher(int afterMs, std::function<void(QProgressDialog *)> act)
    : act_(act ? std::move(act) : [](QProgressDialog *p) { p->cancel(); })
    , afterMs_(afterMs)
{
    timer_.setInterval(1);
    connect(&timer_, &QTimer::timeout, this, &ProgressWatcher::poll);
    timer_.start();
}

void ProgressWatcher::poll()
{
    if (acted_)
        return;
    if (!shown_) {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *p = qobject_cast<QProgressDialog *>(w);
                p && p->objectName() == QLatin1String("LoadProgress") && p->isVisible())
                shown_ = p;
        if (!shown_)
            return;
        seen_ = true;
        since_.start();
    }
    if (afterMs_ >= 0 && since_.elapsed() >= afterMs_) {
        acted_ = true;
        act_(shown_);
    }
}
