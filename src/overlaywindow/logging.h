#pragma once

#include <QLoggingCategory>

// This room's messages for whoever looks into a problem ("tintara.overlaywindow"); off below
// warnings unless QT_LOGGING_RULES turns them on. What the user must know is shown elsewhere.
Q_DECLARE_LOGGING_CATEGORY(lcOverlay)
