#include "picture/frames.h"

#include "picture/allocationguard.h"
#include "picture/contenthash.h"
#include "picture/formats.h"
#include "picture/logging.h"
#include "picture/picturedamage.h"
#include "picture/tiffpages.h"

#include <QFile>
#include <QImageReader>
#include <algorithm>
#include <deque>
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
    Stack(QString path, const FileState &file, int count, std::vector<TiffPage> pages = {})
        : path_(std::move(path))
        , pages_(std::move(pages))
        , jumps_(!pages_.empty())
    {
        count_ = jumps_ ? int(pages_.size()) : count;
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
        // A TIFF's page is read as the first page of the file it starts, by its directory
        // found once. An animation's next frame is read straight on, from the one before; its
        // earlier ones from the start again, and its recent ones from the previews kept.
        if (jumps_)
            return page(k, fitSide);
        if (const auto kept =
                std::find_if(recent_.begin(), recent_.end(),
                             [&](const Kept &r) { return r.frame == k && r.fitSide == fitSide; });
            kept != recent_.end())
            return kept->picture;
        // Back from the start: the frames just before the one asked for are kept on the way,
        // for a step back after it.
        const int keepFrom = !reader_ || k < next_ ? k - Recent + 1 : k;
        if (!reader_ || k < next_) {
            if (Result<void> opened = open(); !opened)
                return opened.failure();
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
            if (next_ >= keepFrom && next_ < k && !image.isNull())
                keep(next_, fitSide, fitted(image, fitSide));
            ++next_;
        }
        if (image.isNull())
            return Failure{QStringLiteral("Frame %1 has no pixels.").arg(k + 1)};
        LoadResult shown = fitted(image, fitSide);
        keep(k, fitSide, shown);
        return shown;
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
    // The previews of the frames read last, at most this many.
    static constexpr int Recent = 24;
    struct Kept {
        int frame, fitSide;
        Picture picture;
    };

    LoadResult fitted(const QImage &image, int fitSide) const
    {
        LoadResult fitted = fitPreview(image, image.colorSpace(), image.size(), fitSide);
        if (fitted)
            fitted->file = file_;
        return fitted;
    }

    LoadResult page(int k, int fitSide)
    {
        const std::unique_ptr<QIODevice> device = tiffAtPage(path_, pages_[std::size_t(k)].offset);
        if (!device)
            return Failure{QStringLiteral("Page %1 cannot be read.").arg(k + 1)};
        QImageReader reader(device.get(), "tiff");
        reader.setAutoTransform(true);
        if (const QSize size = reader.size(); size.isValid() && !allocation::allows(size))
            return Failure{allocation::tooLarge(size)};
        QImage image;
        if (!reader.read(&image))
            return Failure{
                QStringLiteral("Page %1 cannot be read: %2").arg(k + 1).arg(reader.errorString())};
        return fitted(image, fitSide);
    }

    void keep(int k, int fitSide, const LoadResult &shown)
    {
        if (!shown)
            return;
        if (recent_.size() >= std::size_t(Recent))
            recent_.pop_front();
        recent_.push_back({k, fitSide, *shown});
    }

    QString path_;
    std::unique_ptr<QFile> file_device_;
    std::unique_ptr<QImageReader> reader_;
    std::vector<TiffPage> pages_; // a TIFF's
    std::deque<Kept> recent_;
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
    // What the loader refuses as damaged, the frames refuse too.
    if (Result<void> whole = findDamage(format, file); !whole)
        return whole.failure();
    if (format != "tiff")
        return std::unique_ptr<Frames>(std::make_unique<Stack>(path, *state, count));
    // Every page's size is in its directory: a page over the limit refuses the stack before
    // any page is decoded.
    Result<std::vector<TiffPage>> pages = tiffPages(file, MaxFrames);
    if (!pages)
        return pages.failure();
    for (std::size_t k = 0; k < pages->size(); ++k)
        if (const QSize size = (*pages)[k].size; !allocation::allows(size))
            return Failure{
                QStringLiteral("Page %1: %2").arg(k + 1).arg(allocation::tooLarge(size))};
    return std::unique_ptr<Frames>(std::make_unique<Stack>(path, *state, count, std::move(*pages)));
}

} // namespace picture
