#pragma once

#include "picture/decoder.h"

#include <QByteArrayView>
#include <QStringList>
#include <atomic>
#include <memory>

namespace picture {

class Frames;
struct FileState;

// One picture format: how to know it by its first bytes, whatever the file's name says, and
// the decoder that reads it; or, for films, the reader of its frames, whose first frame is the
// picture.
struct Format {
    const char *name;
    const char *suffixes;  // as a folder's files are named, blank-separated
    const char *mimeTypes; // blank-separated
    bool (*recognises)(QByteArrayView head);
    std::unique_ptr<Decoder> (*open)(Source &source);
    Result<std::unique_ptr<Frames>> (*frames)(const QString &path, const FileState &file,
                                              const std::atomic<bool> *cancel) = nullptr;
};

// A decoder of the format's own, for a format's row.
template <class D> std::unique_ptr<Decoder> make(Source &source)
{
    return std::make_unique<D>(source);
}

// Each format's row, beside its decoder: one file a format.
extern const Format JpegFormat, WebpFormat, HeifFormat, JxlFormat, TiffFormat, TgaFormat,
    FilmFormat, QtFormat;

// How much of a file's start its format is known by: enough for a container that FFmpeg's probe
// knows by a run of packets (an MPEG transport stream's).
inline constexpr qint64 HeadBytes = 4096;

// The format of a file by its first HeadBytes bytes. Whatever no other format claims goes to Qt's
// own image readers, which know their formats by content too.
const Format &formatFor(QByteArrayView head);

// What this build reads beyond Qt's readers: their suffixes and MIME types.
QStringList extraSuffixes();
QStringList extraMimeTypes();

} // namespace picture
