#pragma once

#include <QByteArray>
#include <QIODevice>
#include <atomic>

namespace picture {

// The file a decoder reads: the open device, streamed by the readers that stream, and the
// same bytes in memory, read once and only for the libraries that want them so.
class Source {
public:
    Source(QIODevice &device, const std::atomic<bool> *cancel);

    QIODevice &device() { return device_; }
    // The first bytes, by which the format is known.
    QByteArray head() const;
    // The whole file from its start, within the allocation limit; empty when it cannot be read
    // or is larger.
    const QByteArray &bytes();
    // Whether the load was cancelled; decoders look between pieces of work.
    bool cancelled() const { return cancel_ && cancel_->load(std::memory_order_relaxed); }
    const std::atomic<bool> *cancelFlag() const { return cancel_; }

private:
    QIODevice &device_;
    const std::atomic<bool> *cancel_;
    QByteArray bytes_;
    bool read_ = false;
};

} // namespace picture
