#include "platform/programstart.h"

#include "platform/logging.h"
#include <QFileInfo>
#include <QProcess>

namespace platform {

bool startProgram(const QString &path)
{
    if (path.isEmpty())
        return false;
    // A program file as it is; anything else is a command line, a program and its arguments.
    QStringList arguments;
    QString program = path;
    if (!QFileInfo(path).isFile()) {
        arguments = QProcess::splitCommand(path);
        program = arguments.isEmpty() ? path : arguments.takeFirst();
    }
    if (QProcess::startDetached(program, arguments))
        return true;
    qCWarning(lcPlatform) << "cannot start" << path;
    return false;
}

} // namespace platform
