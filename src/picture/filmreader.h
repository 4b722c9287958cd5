#pragma once

// Films through FFmpeg's libraries. Those libraries and theirs are many: they live in a reader
// of their own, a Qt plugin (tintara-film.so, filmframes.cpp), loaded when the first film is
// met, so that a program or a module that meets none never loads them. The reader passes this
// program's own types, so only a reader of this very build is taken: its metadata names the
// build, and a reader of another one is refused, saying so.

#include "picture/frames.h"

#include <QtPlugin>

namespace picture {

class FilmReader {
public:
    virtual ~FilmReader() = default;
    // A film's frames: the video stream's frames in the order they are shown, each found
    // exactly, B-frames included.
    virtual Result<std::unique_ptr<Frames>> open(const QString &path, const FileState &file,
                                                 const std::atomic<bool> *cancel) = 0;
    // Whether FFmpeg's probe knows a file's first bytes, with confidence, as a container of
    // films (not one of its still-picture readers).
    virtual bool recognises(QByteArrayView head) const = 0;
};

// The film reader in a file, checked to be of this build. Fails, saying why, for a file that
// is none, or a reader of another build.
Result<FilmReader *> filmReaderAt(const QString &path);

// A film's frames, through the reader found beside the binary that holds this code or where an
// install puts it. Fails, saying so, where no reader of this build is installed.
Result<std::unique_ptr<Frames>> openFilm(const QString &path, const FileState &file,
                                         const std::atomic<bool> *cancel);
// Whether the first bytes are those of a film's container: the common ones by their signatures,
// and what no still format claims by FFmpeg's probe, through the reader.
bool filmSignature(QByteArrayView head);

} // namespace picture

#define TintaraFilmReader_iid "org.tintara.FilmReader"
Q_DECLARE_INTERFACE(picture::FilmReader, TintaraFilmReader_iid)
