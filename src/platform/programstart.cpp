#include "platform/programstart.h"

#include <QProcess>
#include <cstdio>

namespace platform {

bool startProgram(const QString &path)
{
    if (path.isEmpty())
        return false;
    return QProcess::startDetached(path, {});
}

void complain(const QString &line)
{
    std::fprintf(stderr, "tintara: %s\n", qPrintable(line));
}

} // namespace platform
