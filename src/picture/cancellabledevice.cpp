#include "picture/cancellabledevice.h"

namespace picture {

CancellableDevice::CancellableDevice(QIODevice &inner, const std::atomic<bool> &stop)
    : inner_(inner)
    , stop_(stop)
    , size_(inner.size())
{
    // Unbuffered: every read reaches readData, and so the stop; the inner device buffers.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    if (!inner_.isSequential())
        QIODevice::seek(inner_.pos());
}

bool CancellableDevice::isSequential() const
{
    return inner_.isSequential();
}

qint64 CancellableDevice::size() const
{
    return size_;
}

bool CancellableDevice::seek(qint64 pos)
{
    return inner_.seek(pos) && QIODevice::seek(pos);
}

qint64 CancellableDevice::readData(char *data, qint64 maxSize)
{
    if (stop_.load(std::memory_order_relaxed)) {
        setErrorString(QStringLiteral("The load was cancelled."));
        return -1;
    }
    const qint64 n = inner_.read(data, maxSize);
    if (n < 0)
        setErrorString(inner_.errorString());
    return n;
}

qint64 CancellableDevice::writeData(const char *, qint64)
{
    return -1;
}

} // namespace picture
