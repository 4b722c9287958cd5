#pragma once

#include "picture/pictureloader.h"

#include <QString>
#include <QWidget>
#include <memory>
#include <optional>

namespace platform {

struct BackgroundLoad {
    picture::LoadResult result = Failure{};
    bool cancelled = false; // the user pressed Cancel: nothing was loaded and nothing is said
};

// Loads pictures (and takes their hashes) off the user-interface thread and owns every decode it
// starts, including the ones whose wait was cancelled: they are told to stop and their results are
// dropped. Its destruction stops and waits for whatever still runs, so no decode outlives its
// window.
class BackgroundLoader {
public:
    BackgroundLoader();
    ~BackgroundLoader();
    BackgroundLoader(const BackgroundLoader &) = delete;
    BackgroundLoader &operator=(const BackgroundLoader &) = delete;

    // Returns when the picture is loaded, refused or cancelled. A quick load shows nothing;
    // one that takes longer than `quietMs` shows a progress window with Cancel over
    // `window`, modal to every window of the program; they keep painting meanwhile. A cancelled
    // decode that is still running does not hold the window up.
    BackgroundLoad load(QWidget *window, const QString &path, int fitSide, int quietMs = 500);
    // The hash of a picture file as it was loaded (`state`), taken the same way: none when the
    // wait was cancelled; fails where the file has been written since.
    std::optional<Result<QString>> hash(QWidget *window, const QString &path,
                                        const picture::FileState &state, int quietMs = 500);

    // Ends the wait of the load in progress, as Cancel does, and tells every decode to stop.
    void cancelAll();

    struct State;

private:
    // Shared with a wait in progress, so that the loader may even be destroyed under it.
    std::shared_ptr<State> state_;
};

} // namespace platform
