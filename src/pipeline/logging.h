#pragma once

#include <QLoggingCategory>

// This room's messages for whoever looks into a problem ("tintara.pipeline"); off below
// warnings unless QT_LOGGING_RULES turns them on.
Q_DECLARE_LOGGING_CATEGORY(lcPipeline)
