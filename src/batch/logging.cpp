#include "batch/logging.h"

Q_LOGGING_CATEGORY(lcBatch, "tintara.batch", QtWarningMsg)
