#include "app/form1.h"
#include "platform/scrollingwindow.h"
#ifdef TINTARA_BATCH
#include "batch/batchrun.h"
#endif
#include "tintara/appinfo.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <cstdio>

namespace {

constexpr const char *Usage =
    "Usage: tintara [--help] [--version] [FILE]\n"
    "       tintara --batch [options] FILE|FOLDER... (tintara --batch --help for its options)";

// Reads the options before any window system is touched: --help and --version need no display.
// Returns the exit status when the program should end here, -1 when it should start.
int readOptions(int argc, char *argv[], QString &file)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and ends."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version and ends."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A picture to load."),
                                 QStringLiteral("[FILE]"));
    if (!parser.parse(args) || parser.positionalArguments().size() > 1) {
        const QString why = parser.positionalArguments().size() > 1
                                ? QStringLiteral("only one picture can be loaded")
                                : parser.errorText();
        complain(why);
        std::fprintf(stderr, "%s\n", Usage);
        return 2;
    }
    if (parser.isSet(help)) {
        std::printf("%s\n\nLoads one picture and splits it block by block into red, green and "
                    "blue planes.\n\n  FILE           a picture to load at start\n"
                    "  --batch        the same over many pictures, with no window\n"
                    "  -h, --help     shows this help and ends\n"
                    "  -v, --version  shows the version and ends\n",
                    Usage);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("tintara %s\n", appinfo::Version);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        file = QFileInfo(parser.positionalArguments().constFirst()).absoluteFilePath();
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef TINTARA_BATCH
    if (batch::requested(argc, argv))
        return batch::main(argc, argv);
#endif
    QString file;
    if (const int status = readOptions(argc, argv, file); status >= 0)
        return status;
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QLatin1String(appinfo::AppId));
    Form1 *form = new Form1;
    form->Form_Load();
    // Scroll bars where the screen is smaller than the window's layout.
    platform::ScrollingWindow window(form);
    window.show();
    if (!file.isEmpty())
        form->loadFile(file);
    return app.exec();
}
