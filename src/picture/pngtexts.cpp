#include "picture/pngtexts.h"

#include <QtEndian>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace picture {

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

// A compressed text's zlib stream, inflated; Qt's inflater wants the size first, and grows
// its buffer when the guess is short.
QByteArray inflated(QByteArrayView stream)
{
    QByteArray sized(4, '\0');
    qToBigEndian<quint32>(quint32(stream.size() * 4), sized.data());
    return qUncompress(sized + stream.toByteArray());
}

using Text = QPair<QString, QString>;

// One text chunk's key and value: tEXt in Latin-1, zTXt compressed, iTXt in UTF-8 and perhaps
// compressed.
std::optional<Text> text(QByteArrayView type, QByteArrayView data)
{
    const qsizetype nul = data.indexOf('\0');
    if (nul <= 0)
        return std::nullopt;
    const QString key = QString::fromLatin1(data.first(nul));
    QByteArrayView rest = data.sliced(nul + 1);
    if (type == "tEXt")
        return Text{key, QString::fromLatin1(rest)};
    if (type == "zTXt")
        return rest.isEmpty()
                   ? std::nullopt
                   : std::optional(Text{key, QString::fromLatin1(inflated(rest.sliced(1)))});
    // iTXt: compressed or not, the method, then a language and a translated key, each ended by
    // a NUL, then the text.
    if (rest.size() < 2)
        return std::nullopt;
    const bool compressed = rest[0] != 0;
    rest = rest.sliced(2);
    for (int skip = 0; skip < 2; ++skip) {
        const qsizetype end = rest.indexOf('\0');
        if (end < 0)
            return std::nullopt;
        rest = rest.sliced(end + 1);
    }
    return Text{key, QString::fromUtf8(compressed ? inflated(rest) : rest.toByteArray())};
}

} // namespace

Result<QList<QPair<QString, QString>>> pngTexts(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Failure{QString::fromLocal8Bit(std::strerror(errno))};
    static constexpr char Signature[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};
    char head[8];
    Result<QList<QPair<QString, QString>>> texts = Failure{QStringLiteral("It is no PNG file.")};
    if (readAll(fd, head, 8) && std::equal(head, head + 8, Signature)) {
        texts = QList<QPair<QString, QString>>();
        // Chunks until the pixels: the texts that say where a plane came from come before them.
        char chunk[8];
        QByteArray data;
        for (int n = 0; n < 64 && readAll(fd, chunk, 8); ++n) {
            const quint32 length = qFromBigEndian<quint32>(chunk);
            const QByteArrayView type(chunk + 4, 4);
            if (type == "IDAT" || type == "IEND" || length > (1u << 16))
                break;
            if (type == "tEXt" || type == "zTXt" || type == "iTXt") {
                data.resize(length);
                if (!readAll(fd, data.data(), length))
                    break;
                if (const auto pair = text(type, data))
                    texts->push_back(*pair);
            } else if (::lseek(fd, length, SEEK_CUR) < 0) {
                break;
            }
            if (::lseek(fd, 4, SEEK_CUR) < 0) // the chunk's CRC
                break;
        }
    }
    ::close(fd);
    return texts;
}

} // namespace picture
