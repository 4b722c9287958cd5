#include "core/logging.h"

#include "core/result.h"

#include <cstdlib>

Q_LOGGING_CATEGORY(lcCore, "tintara.core", QtWarningMsg)

namespace core {

void brokenPromise(const char *promise)
{
    qCCritical(lcCore, "a broken promise: %s", promise);
    std::abort();
}

} // namespace core
