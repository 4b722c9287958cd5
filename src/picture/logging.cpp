#include "picture/logging.h"

#include <cstring>

Q_LOGGING_CATEGORY(lcPicture, "tintara.picture", QtWarningMsg)

namespace picture {

namespace {

QtMessageHandler previous = nullptr;

void route(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (context.category && !std::strcmp(context.category, "qt.gui.imageio") &&
        type != QtFatalMsg) {
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
