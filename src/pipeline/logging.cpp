#include "pipeline/logging.h"

Q_LOGGING_CATEGORY(lcPipeline, "tintara.pipeline", QtWarningMsg)
