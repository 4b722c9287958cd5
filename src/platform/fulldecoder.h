#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <atomic>

namespace platform {

struct FullDecode {
    QImage image;  // upright, at the picture's own size; empty when the file was refused
    QString error; // why, for the user
};

// A format whose library decodes whole pictures only, already upright: HEIF, AVIF, JPEG XL.
// Each reads the picture's size from its header first and refuses, before decoding, a picture
// whose pixels would take more than `limitBytes`.
struct FullDecoder {
    const char *name;
    const char *suffixes;                    // as a folder's files are named, blank-separated
    const char *mimeTypes;                   // blank-separated
    bool (*recognises)(QByteArrayView head); // from the first 32 bytes, whatever the suffix
    FullDecode (*decode)(const QByteArray &data, qint64 limitBytes,
                         const std::atomic<bool> *cancel);
};

// The formats of this build, picked by their content.
const FullDecoder *fullDecoderFor(QByteArrayView head);

// The suffixes and MIME types of these formats, beside those Qt's own readers read.
QStringList fullDecoderSuffixes();
QStringList fullDecoderMimeTypes();

// The message for a picture over the limit, the same for every format.
QString tooLargeMessage(QSize size);

} // namespace platform
