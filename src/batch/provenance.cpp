#include "batch/provenance.h"

#include <QRegularExpression>
#include <fcntl.h>
#include <unistd.h>

namespace batch {

namespace {

bool readAll(int fd, char *into, std::size_t n)
{
    while (n > 0) {
        const ssize_t got = ::read(fd, into, n);
        if (got <= 0)
            return false;
        into += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

quint32 bigEndian(const unsigned char *b)
{
    return quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | quint32(b[3]);
}

} // namespace

bool isTintaraResult(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    static constexpr unsigned char Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    unsigned char head[8];
    bool software = false, source = false;
    if (readAll(fd, reinterpret_cast<char *>(head), 8) && std::equal(head, head + 8, Signature)) {
        // Chunks until the pixels: the texts that say where a plane came from come before them.
        unsigned char chunk[8];
        QByteArray data;
        for (int n = 0; n < 64 && readAll(fd, reinterpret_cast<char *>(chunk), 8); ++n) {
            const quint32 length = bigEndian(chunk);
            const QByteArrayView type(reinterpret_cast<const char *>(chunk + 4), 4);
            if (type == "IDAT" || type == "IEND" || length > (1u << 20))
                break;
            const bool text = type == "tEXt" || type == "zTXt" || type == "iTXt";
            if (text) {
                data.resize(length);
                if (!readAll(fd, data.data(), length))
                    break;
                const QByteArrayView keyword(data.constData(), qstrnlen(data.constData(), length));
                source = source || keyword == "Source";
                software =
                    software || (type == "tEXt" && data == QByteArrayView("Software\0Tintara", 16));
            } else if (::lseek(fd, length, SEEK_CUR) < 0) {
                break;
            }
            if (::lseek(fd, 4, SEEK_CUR) < 0) // the chunk's CRC
                break;
        }
    }
    ::close(fd);
    return software && source;
}

bool looksLikeResultName(QByteArrayView name)
{
    static const QRegularExpression shape(QStringLiteral(
        "-(red|green|blue|zoom)-(media|massimo|minimo|massimo-minimo|nessuno)-\\d+x\\d+\\.png$"));
    return name.endsWith(".png") && shape.match(QString::fromUtf8(name)).hasMatch();
}

} // namespace batch
