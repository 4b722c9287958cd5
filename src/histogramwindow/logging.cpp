#include "histogramwindow/logging.h"

Q_LOGGING_CATEGORY(lcHistogram, "tintara.histogramwindow", QtWarningMsg)
