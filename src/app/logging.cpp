#include "app/logging.h"

Q_LOGGING_CATEGORY(lcApp, "tintara.app", QtWarningMsg)
