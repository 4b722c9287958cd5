#include "platform/logging.h"

Q_LOGGING_CATEGORY(lcPlatform, "tintara.platform", QtWarningMsg)
