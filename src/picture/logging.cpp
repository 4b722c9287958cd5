#include "picture/logging.h"

Q_LOGGING_CATEGORY(lcPicture, "tintara.picture", QtWarningMsg)
