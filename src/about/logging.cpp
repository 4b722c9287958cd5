#include "about/logging.h"

Q_LOGGING_CATEGORY(lcAbout, "tintara.about", QtWarningMsg)
