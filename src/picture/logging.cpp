#include "picture/logging.h"

#include <cstring>

Q_LOGGING_CATEGORY(lcPicture, "tintara.picture", QtWarningMsg)

namespace picture {

namespace {

QtMessageHandler previous = nullptr;

void route(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // Qt's readers speak under "qt.gui.imageio" and its sub-categories; its PNG reader passes
    // libpng's errors on as plain warnings.
    const bool codec =
        (context.category && !std::strncmp(context.category, "qt.gui.imageio", 14)) ||
        message.startsWith(QLatin1String("libpng "));
    if (codec && type != QtFatalMsg) {
        qCDebug(lcPicture).noquote() << message;
        return;
    }
    if (previous)
        previous(type, context, message);
}

} // namespace

void quietCodecMessages()
{
    static const bool installed = [] {
        previous = qInstallMessageHandler(route);
        return true;
    }();
    (void)installed;
}

} // namespace picture
