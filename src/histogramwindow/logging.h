#pragma once

#include <QLoggingCategory>

// This room's messages for whoever looks into a problem ("tintara.histogramwindow"); off below
// warnings unless QT_LOGGING_RULES turns them on. What the user must know is shown or written
// elsewhere.
Q_DECLARE_LOGGING_CATEGORY(lcHistogram)
