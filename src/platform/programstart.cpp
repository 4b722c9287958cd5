#include "platform/programstart.h"

#include "platform/logging.h"
#include <QProcess>
#include <cstdio>

namespace platform {

bool startProgram(const QString &path)
{
    if (path.isEmpty())
        return false;
    if (QProcess::startDetached(path, {}))
        return true;
    qCWarning(lcPlatform) << "cannot start" << path;
    return false;
}

void complain(const QString &line)
{
    std::fprintf(stderr, "tintara: %s\n", qPrintable(line));
}

} // namespace platform
