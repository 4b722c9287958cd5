#include "picture/source.h"

#include "picture/allocationguard.h"
#include "picture/formats.h"

#include <algorithm>

namespace picture {

Source::Source(QIODevice &device, const std::atomic<bool> *cancel)
    : device_(device)
    , cancel_(cancel)
{}

QByteArray Source::head() const
{
    return device_.peek(HeadBytes);
}

const QByteArray &Source::bytes()
{
    if (read_)
        return bytes_;
    read_ = true;
    if (!device_.seek(0))
        return bytes_;
    const qint64 limit = allocation::limitBytes();
    bytes_.reserve(std::min(device_.size(), limit));
    // In pieces: the device's size may say nothing (a /proc file says 0).
    while (bytes_.size() <= limit) {
        const QByteArray piece = device_.read(qint64(1) << 20);
        if (piece.isEmpty())
            break;
        bytes_ += piece;
    }
    if (bytes_.size() > limit)
        bytes_ = QByteArray();
    return bytes_;
}

} // namespace picture
