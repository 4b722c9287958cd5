#pragma once

// Pictures of more than one frame: the pages of a TIFF, the frames of an animated GIF or WebP,
// the frames of a film. Frames are decoded one at a time, when asked for, never all at once.

#include "picture/pictureloader.h"

#include <QString>
#include <atomic>
#include <memory>
#include <optional>

namespace picture {

// The most frames a file may have: a header or an index claiming more is refused before
// anything is decoded.
inline constexpr int MaxFrames = 1'000'000;

// The frames of one picture file, read in any order, each as the loader reads a picture.
class Frames {
public:
    virtual ~Frames() = default;
    // How many frames the file holds; 1 for a still picture.
    int count() const { return count_; }
    // When frame k (from 0) is shown, in seconds from the first; none where the file gives no
    // times, or has not told them yet (a GIF tells each frame's delay as it is decoded).
    virtual std::optional<double> time(int k) const;
    // Frame k as LoadPicture loads a picture: upright, in sRGB, fitted into a square of
    // `fitSide`, with its own size. Exact: frame k itself, whichever frame was read before.
    // A single-frame picture is read by LoadPicture itself.
    virtual LoadResult read(int k, int fitSide, const std::atomic<bool> *cancel = nullptr) = 0;

protected:
    int count_ = 1;
    FileState file_;
};

// The frames of a picture file, the kind known by its content. Fails with the loader's reasons,
// and for a file that claims more than MaxFrames frames.
Result<std::unique_ptr<Frames>> openFrames(const QString &path,
                                           const std::atomic<bool> *cancel = nullptr);

// Whether the first bytes are those of a film this build reads.
bool isFilm(QByteArrayView head);

} // namespace picture
