#pragma once

#include "picture/decoder.h"

#include <QByteArrayView>
#include <QStringList>
#include <memory>

namespace picture {

// One picture format: how to know it by its first bytes, whatever the file's name says, and
// the decoder that reads it.
struct Format {
    const char *name;
    const char *suffixes;  // as a folder's files are named, blank-separated
    const char *mimeTypes; // blank-separated
    bool (*recognises)(QByteArrayView head);
    std::unique_ptr<Decoder> (*open)(Source &source);
};

// The format of a file by its first 32 bytes. Whatever no other format claims goes to Qt's own
// image readers, which know their formats by content too.
const Format &formatFor(QByteArrayView head);

// What this build reads beyond Qt's readers: their suffixes and MIME types.
QStringList extraSuffixes();
QStringList extraMimeTypes();

} // namespace picture
