// The batch's parent: hands the pictures to worker processes one at a time, prints one report
// line per picture in the order given, and stops cleanly on an interrupt.
#include "app/batchrun.h"

#include "app/batchoptions.h"
#include "app/batchworker.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QSocketNotifier>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace batch {

namespace {

int interruptPipe[2] = {-1, -1};

void onInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(interruptPipe[1], &byte, 1);
}

int usage(const QString &why)
{
    std::fprintf(stderr, "tintara: %s\n%s\n", qPrintable(why), Usage);
    return 2;
}

// Two different pictures whose outputs would have the same names (a.jpg and a.png in one
// folder, or d1/a.jpg and d2/a.jpg into one --out): the second would replace the first's planes.
// Names the first such pair, or gives an empty text.
QString clashingPictures(const Settings &s)
{
    QHash<QString, QString> firstWith; // output folder and stem -> the picture that has them
    for (const QString &file : s.files) {
        const QFileInfo info(file);
        const QString folder = s.outDir.isEmpty() ? info.absolutePath() : s.outDir;
        const QString key = QDir(folder).filePath(info.completeBaseName());
        const QString path = info.absoluteFilePath();
        const QString first = firstWith.value(key);
        if (first.isEmpty())
            firstWith.insert(key, path);
        else if (first != path)
            return QStringLiteral("%1 and %2 would write the same output files").arg(first, path);
    }
    return {};
}

int runParent(const Settings &s)
{
    const int total = static_cast<int>(s.files.size());
    const int jobs = std::min(total, s.jobs > 0 ? s.jobs : QThread::idealThreadCount());
    const QStringList workerArgs =
        QStringList{QStringLiteral("--batch-worker")} + workerArguments(s);
    const bool terminal = ::isatty(STDERR_FILENO);

    std::vector<QString> lines(static_cast<std::size_t>(total));
    int fed = 0, done = 0, printed = 0, ended = 0;
    bool interrupted = false, refused = false;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    std::vector<QProcess *> workers;

    const auto feed = [&](QProcess *w) {
        if (fed < total && !interrupted) {
            w->write(QStringLiteral("%1\t%2\n").arg(fed).arg(s.files[fed]).toUtf8());
            ++fed;
        } else {
            w->closeWriteChannel();
        }
    };
    const auto progress = [&] {
        if (!terminal)
            return;
        const double seconds = clock.elapsed() / 1000.0;
        const double rate = seconds > 0 ? done / seconds : 0;
        std::fprintf(stderr, "\r%d/%d pictures, %.1f per second, %.0f s left   ", done, total, rate,
                     rate > 0 ? (total - done) / rate : 0.0);
        std::fflush(stderr);
    };

    if (::pipe(interruptPipe) != 0) {
        std::fprintf(stderr, "tintara: cannot watch for interrupts: %s\n", std::strerror(errno));
        return 1;
    }
    QSocketNotifier interrupts(interruptPipe[0], QSocketNotifier::Read);
    QObject::connect(&interrupts, &QSocketNotifier::activated, [&] {
        char byte;
        [[maybe_unused]] const auto n = ::read(interruptPipe[0], &byte, 1);
        interrupted = true;
        // Each worker finishes the picture it has, writing only whole files, and ends.
        for (QProcess *w : workers)
            w->closeWriteChannel();
    });
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);

    for (int j = 0; j < jobs; ++j) {
        auto *w = new QProcess(&loop);
        w->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(w, &QProcess::readyReadStandardOutput, [&, w] {
            while (w->canReadLine()) {
                const QString line = QString::fromUtf8(w->readLine()).trimmed();
                const qsizetype tab = line.indexOf(QLatin1Char('\t'));
                const int index = line.left(tab).toInt();
                if (tab < 0 || index < 0 || index >= total)
                    continue;
                lines[static_cast<std::size_t>(index)] = line.mid(tab + 1);
                ++done;
                while (printed < total && !lines[static_cast<std::size_t>(printed)].isEmpty()) {
                    const QString &report = lines[static_cast<std::size_t>(printed++)];
                    refused = refused || report.contains(QLatin1String("\trefused\t"));
                    if (terminal)
                        std::fputs("\r\033[K", stderr);
                    std::printf("%s\n", qPrintable(report));
                    std::fflush(stdout);
                }
                progress();
                feed(w);
            }
        });
        QObject::connect(w, &QProcess::finished, [&] {
            if (++ended == jobs)
                loop.quit();
        });
        workers.push_back(w);
        w->start(QCoreApplication::applicationFilePath(), workerArgs);
        for (const QString &file : s.files)
            w->write(QStringLiteral("input\t%1\n").arg(file).toUtf8());
        feed(w);
    }
    loop.exec();
    if (terminal)
        std::fputs("\r\033[K", stderr);
    // Pictures a worker took but never answered for (it crashed): reported, not lost.
    for (int i = printed; i < fed; ++i) {
        const QString &report = lines[static_cast<std::size_t>(i)];
        std::printf("%s\n",
                    qPrintable(report.isEmpty() ? QStringLiteral("%1\trefused\tthe worker ended "
                                                                 "before it was done")
                                                      .arg(s.files[i])
                                                : report));
        refused = refused || report.isEmpty() || report.contains(QLatin1String("\trefused\t"));
    }
    if (interrupted)
        return 130;
    return refused ? 1 : 0;
}

QStringList arguments(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
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
    const QStringList args = arguments(argc, argv);
    Settings s;
    QString error;
    if (args.contains(QStringLiteral("--batch-worker"))) {
        // The window is drawn off screen: a batch needs no display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        if (!parse(args, s, error, true))
            return usage(error);
        return runWorker(s);
    }
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(qPrintable(helpText()), stdout);
        return 0;
    }
    QCoreApplication app(argc, argv);
    if (!parse(args, s, error))
        return usage(error);
    // Refused before anything is written, so that no picture's planes replace another's.
    if (const QString clash = clashingPictures(s); !clash.isEmpty())
        return usage(clash);
    return runParent(s);
}

} // namespace batch
