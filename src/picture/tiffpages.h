#pragma once

// The pages of a multi-page TIFF, reached each from the directory before it rather than by
// counting from the first, so that page 4,000 costs what page 2 costs.

#include "core/result.h"

#include <QIODevice>
#include <QSize>
#include <memory>
#include <vector>

namespace picture {

struct TiffPage {
    qint64 offset; // of its directory in the file
    QSize size;
};

// Every page's directory and size, walked once from the first. Fails for a file libtiff does not
// open; stops at a chain that loops, breaks off, or goes past `most` pages.
Result<std::vector<TiffPage>> tiffPages(QIODevice &device, int most);

// The TIFF file at `path` as a reader sees it when its first directory is the one at `offset`:
// the page there, read as the file's first.
std::unique_ptr<QIODevice> tiffAtPage(const QString &path, qint64 offset);

} // namespace picture
