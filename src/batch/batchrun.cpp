// `tintara --batch`: reads the options and the pictures, decides every output name before the
// first is written, then hands the pictures to the workers.
#include "batch/batchrun.h"

#include "batch/batchoptions.h"
#include "batch/batchworker.h"
#include "batch/dispatcher.h"
#include "batch/outputplan.h"
#include "batch/picturelist.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

namespace batch {

namespace {

int usage(const QString &why)
{
    std::fprintf(stderr, "tintara: %s\n%s\n", qPrintable(why), Usage);
    return 2;
}

QList<QByteArray> arguments(int argc, char *argv[])
{
    QList<QByteArray> args;
    for (int i = 1; i < argc; ++i)
        args << QByteArray(argv[i]);
    return args;
}

int runWorkerProcess(int argc, char *argv[])
{
    // The window is drawn off screen: a batch needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Settings s;
    QString error;
    if (!parse(arguments(argc, argv), s, error))
        return usage(error);
    return runWorker(s);
}

int runParent(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    Settings s;
    QString error;
    if (!parse(arguments(argc, argv), s, error))
        return usage(error);
    PictureList pictures;
    if (!gatherPictures(s, pictures, error))
        return usage(error);
    if (pictures.size() == 0 && s.shards == 1)
        return usage(QStringLiteral("no picture to work on"));
    // Decided before anything is written, so that no picture's planes replace another's.
    OutputPlan plan;
    if (!plan.make(s, pictures, error))
        return usage(error);
    Dispatcher dispatcher(s, pictures, plan);
    return dispatcher.run();
}

} // namespace

bool requested(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--batch") || !std::strcmp(argv[i], "--batch-worker"))
            return true;
    return false;
}

int main(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--batch-worker"))
            return runWorkerProcess(argc, argv);
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(qPrintable(helpText()), stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--"))
            break;
    }
    return runParent(argc, argv);
}

} // namespace batch
