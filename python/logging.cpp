#include "python/logging.h"

Q_LOGGING_CATEGORY(lcPython, "tintara.python", QtWarningMsg)
