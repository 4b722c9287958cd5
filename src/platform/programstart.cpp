#include "platform/programstart.h"

#include <QProcess>

namespace platform {

bool startProgram(const QString &path)
{
    if (path.isEmpty())
        return false;
    return QProcess::startDetached(path, {});
}

} // namespace platform
