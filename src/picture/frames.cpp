#include "picture/frames.h"

#include "picture/allocationguard.h"
#include "picture/contenthash.h"
#include "picture/formats.h"
#include "picture/logging.h"

#include <QFile>
#include <QImageReader>
#include <vector>

namespace picture {

namespace {

Failure cancelled()
{
    return {QStringLiteral("The load was cancelled.")};
}

// One frame: the picture as the loader reads it.
class Still : public Frames {
public:
    explicit Still(QString path)
        : path_(std::move(path))
    {}
    LoadResult read(int k, int fitSide, const std::atomic<bool> *cancel) override
    {
        if (k != 0)
            return Failure{QStringLiteral("The picture has one frame.")};
        return LoadPicture(path_, fitSide, cancel);
    }

private:
    QString path_;
};

// The pages or frames that Qt's readers give one after another (TIFF through libtiff, GIF,
// WebP through libwebp), each whole as shown: a GIF's or WebP's frame over the ones before
// it, as its disposal says.
class Stack : public Frames {
public:
    Stack(QString path, const FileState &file, int count, bool jumps)
        : path_(std::move(path))
        , jumps_(jumps)
    {
        count_ = count;
        file_ = file;
        delays_.reserve(std::size_t(std::min(count, 4096)));
    }

    std::optional<double> time(int k) const override
    {
        // Known as far as the frames before it have been decoded; a stack whose frames have
        // no delays (a TIFF's pages) has no times.
        if (k == 0 && !delays_.empty() && delays_.front() > 0)
            return 0.0;
        if (k <= 0 || std::size_t(k) > delays_.size())
            return std::nullopt;
        double sum = 0;
        for (int i = 0; i < k; ++i)
            sum += delays_[std::size_t(i)];
        return sum > 0 ? std::optional(sum / 1000.0) : std::nullopt;
    }

    LoadResult read(int k, int fitSide, const std::atomic<bool> *cancel) override
    {
        if (k < 0 || k >= count_)
            return Failure{
                QStringLiteral("There is no frame %1: the picture has %2.").arg(k + 1).arg(count_)};
        const auto stopped = [cancel] {
            return cancel && cancel->load();
        };
        // TIFF's pages are reached by their directories, each by a reader of its own that has
        // read the file's directories before it jumps; animations only forward, from the start
        // again for an earlier frame.
        if (!reader_ || k < next_ || jumps_) {
            if (Result<void> opened = open(); !opened)
                return opened.failure();
        }
        if (jumps_ && k > 0) {
            reader_->imageCount();
            if (!reader_->jumpToImage(k))
                return Failure{QStringLiteral("Frame %1 cannot be found.").arg(k + 1)};
            next_ = k;
        }
        QImage image;
        while (next_ <= k) {
            if (stopped())
                return cancelled();
            const QSize size = reader_->size();
            if (size.isValid() && !allocation::allows(size))
                return Failure{allocation::tooLarge(size)};
            if (!reader_->read(&image)) {
                const QString why = reader_->errorString();
                reader_.reset();
                return Failure{
                    QStringLiteral("Frame %1 cannot be read: %2").arg(next_ + 1).arg(why)};
            }
            if (std::size_t(next_) == delays_.size())
                delays_.push_back(std::max(0, reader_->nextImageDelay()));
            ++next_;
        }
        if (image.isNull())
            return Failure{QStringLiteral("Frame %1 has no pixels.").arg(k + 1)};
        LoadResult fitted = fitPreview(image, image.colorSpace(), image.size(), fitSide);
        if (fitted)
            fitted->file = file_;
        return fitted;
    }

    Result<void> open()
    {
        reader_.reset();
        file_device_ = std::make_unique<QFile>(path_);
        if (!file_device_->open(QIODevice::ReadOnly))
            return Failure{file_device_->errorString()};
        reader_ = std::make_unique<QImageReader>(file_device_.get());
        // Turned upright as the file says, like every picture.
        reader_->setAutoTransform(true);
        next_ = 0;
        return {};
    }

private:
    QString path_;
    std::unique_ptr<QFile> file_device_;
    std::unique_ptr<QImageReader> reader_;
    bool jumps_ = false;
    int next_ = 0;
    std::vector<int> delays_; // milliseconds after each frame decoded so far
};

// The pictures of a HEIF or AVIF file that holds several side by side, as libheif lists them:
// each read as the loader reads the primary one.
class Pictures : public Frames {
public:
    Pictures(QString path, const FileState &file, int count)
        : path_(std::move(path))
    {
        count_ = count;
        file_ = file;
    }
    LoadResult read(int k, int fitSide, const std::atomic<bool> *cancel) override
    {
        if (k < 0 || k >= count_)
            return Failure{
                QStringLiteral("There is no frame %1: the picture has %2.").arg(k + 1).arg(count_)};
        return loadPicture(path_, k, fitSide, cancel);
    }

private:
    QString path_;
};

} // namespace

std::optional<double> Frames::time(int) const
{
    return std::nullopt;
}

bool isFilm(QByteArrayView head)
{
    return formatFor(head).frames != nullptr;
}

Result<std::unique_ptr<Frames>> openFrames(const QString &path, const std::atomic<bool> *cancel)
{
    QFile file;
    const Result<FileState> state = openRegularFile(path, file);
    if (!state)
        return state.failure();
    if (const Format &format = formatFor(file.peek(HeadBytes)); format.frames)
        return format.frames(path, *state, cancel);
    quietCodecMessages();
    // Only the formats whose readers give frames one after another: a still picture of any
    // other format is one frame, read by the loader.
    QImageReader reader(&file);
    const QByteArray format = reader.format();
    int count = 1;
    if (format == "tiff" || format == "gif" || format == "webp")
        count = reader.imageCount();
    if (count > MaxFrames)
        return Failure{QStringLiteral("The picture claims %1 frames, more than the %2 this "
                                      "program reads.")
                           .arg(count)
                           .arg(MaxFrames)};
    if (format != "tiff" && format != "gif" && format != "webp") {
        const Result<int> pictures = countPictures(path);
        if (pictures && *pictures > 1)
            count = *pictures;
        if (count > MaxFrames)
            return Failure{QStringLiteral("The picture holds more than the %1 frames this "
                                          "program reads.")
                               .arg(MaxFrames)};
        if (count > 1)
            return std::unique_ptr<Frames>(std::make_unique<Pictures>(path, *state, count));
    }
    if (count <= 1)
        return std::unique_ptr<Frames>(std::make_unique<Still>(path));
    return std::unique_ptr<Frames>(std::make_unique<Stack>(path, *state, count, format == "tiff"));
}

} // namespace picture
