#pragma once

#include "core/result.h"

#include <QColorSpace>
#include <QImage>
#include <QImageIOHandler>
#include <QSize>
#include <QString>

namespace picture {

class Source;

// One picture file as its format's library reads it: the header first, then the pixels, once.
// Every decoder allocates its pixels through the allocation guard.
class Decoder {
public:
    virtual ~Decoder() = default;
    Decoder(const Decoder &) = delete;
    Decoder &operator=(const Decoder &) = delete;

    // Reads what the file says before its pixels.
    virtual Result<void> readHeader() = 0;
    // The pixels as stored; invalid for a format that tells its size only by decoding it.
    QSize size() const { return size_; }
    // What still turns the decoded pixels upright (none where the library turns them itself).
    QImageIOHandler::Transformations orientation() const { return turn_; }
    // What the colours mean; invalid when the file says nothing, and they are taken as sRGB.
    // Known after decode() at the latest.
    QColorSpace colorSpace() const { return space_; }
    // The stored pixels: at least `atLeast` of them where the library scales while it decodes,
    // all of them where it cannot. Fails for a damaged or cut file.
    virtual Result<QImage> decode(QSize atLeast) = 0;
    // For a file of several pictures side by side (HEIF's top-level images): which one to read,
    // from 0, asked before readHeader(); and how many there are, known after it. Every other
    // file holds one.
    void choose(int picture) { chosen_ = picture; }
    virtual int pictures() const { return 1; }

protected:
    explicit Decoder(Source &source)
        : source_(source)
    {}
    // The whole file, for the libraries that read from memory.
    Result<const QByteArray *> wholeFile();
    // The orientation in the file's Exif data, as Qt's reader of `format` reads it.
    QImageIOHandler::Transformations exifOrientation(const char *format);

    Source &source_;
    QSize size_;
    QImageIOHandler::Transformations turn_ = QImageIOHandler::TransformationNone;
    QColorSpace space_;
    int chosen_ = -1; // none: the file's primary picture
};

} // namespace picture
