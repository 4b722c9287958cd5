// The picture loader on arbitrary bytes: a picture or a reason, within the allocation limit.
#include "fuzzinput.h"
#include "picture/pictureloader.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int side = 1 + data[0] % 500;
    QByteArray bytes(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const picture::LoadResult r = picture::LoadPicture(buffer, side);
    if (r.has_value()) {
        FUZZ_CHECK(!r->isEmpty());
        FUZZ_CHECK(!r->image.isNull());
        FUZZ_CHECK(r->image.width() <= side && r->image.height() <= side);
        // Whatever follows a picture's own end does not make it damaged. (Formats without a
        // signature, such as WBMP, are recognised by their exact length, so they are left out.)
        buffer.seek(0);
        const QByteArray format = QImageReader::imageFormat(&buffer);
        if (format != "jpeg" && format != "png" && format != "gif" && format != "bmp")
            return 0;
        QByteArray longer = bytes + QByteArray("\0appended data, as phones add a video", 38);
        QBuffer appended(&longer);
        appended.open(QIODevice::ReadOnly);
        const picture::LoadResult again = picture::LoadPicture(appended, side);
        FUZZ_CHECK(again.has_value());
        FUZZ_CHECK(again->size == r->size);
    } else {
        FUZZ_CHECK(!r.error().isEmpty());
    }
    return 0;
}
