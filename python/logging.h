#pragma once

#include <QLoggingCategory>

// The Python module's messages: tintara.python.
Q_DECLARE_LOGGING_CATEGORY(lcPython)
