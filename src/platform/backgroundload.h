#pragma once

#include "platform/pictureloader.h"

#include <QString>
#include <QWidget>

namespace platform {

struct BackgroundLoad {
    LoadResult result;
    bool cancelled = false; // the user pressed Cancel: nothing was loaded and nothing is said
};

// Loads a picture off the user-interface thread and returns when it is loaded, refused or
// cancelled. A quick load shows nothing; one that takes longer than `quietMs` shows a
// progress window with Cancel, modal to `window`, which keeps painting meanwhile.
BackgroundLoad loadInBackground(QWidget *window, const QString &path, int fitSide,
                                int quietMs = 500);

} // namespace platform
