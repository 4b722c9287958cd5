#include "overlaywindow/logging.h"

Q_LOGGING_CATEGORY(lcOverlay, "tintara.overlaywindow", QtWarningMsg)
