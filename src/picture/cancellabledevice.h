#pragma once

#include <QIODevice>
#include <atomic>

namespace picture {

// Reads another device until `stop` is set; from then on every read fails. Decoders that read
// through it (Qt's image readers, libpng, libtiff) then give up at their next read, which is
// how a cancelled load reaches decoders that have no cancel of their own. Its size is the
// file's as the load began: Qt's PNG reader asks for it at every read after the pixels, and a
// file's size is a system call.
class CancellableDevice : public QIODevice {
public:
    CancellableDevice(QIODevice &inner, const std::atomic<bool> &stop);

    bool isSequential() const override;
    qint64 size() const override;
    bool seek(qint64 pos) override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    QIODevice &inner_;
    const std::atomic<bool> &stop_;
    const qint64 size_;
};

} // namespace picture
