#include "picture/filmreader.h"

#include "picture/allocationguard.h"
#include "picture/logging.h"

#include <QFile>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace picture {

namespace {

Failure cancelled()
{
    return {QStringLiteral("The load was cancelled.")};
}

QString avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

// FFmpeg's messages are for whoever looks into a problem; a failure is reported by what its
// calls return.
void quiet()
{
    static const bool once = [] {
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    Q_UNUSED(once);
}

} // namespace

// A film's frames, read with FFmpeg's libraries.
class Film : public Frames {
public:
    ~Film() override
    {
        sws_freeContext(scaler_);
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        avcodec_free_context(&codec_);
        avformat_close_input(&format_);
    }

    Result<void> open(const QString &path, const FileState &file, const std::atomic<bool> *cancel)
    {
        quiet();
        file_ = file;
        cancel_ = cancel;
        format_ = avformat_alloc_context();
        if (!format_)
            return Failure{QStringLiteral("Out of memory.")};
        // Cancel reaches every read and every wait of the demuxer.
        format_->interrupt_callback = {&Film::interrupted, this};
        const QByteArray name = QFile::encodeName(path);
        if (const int r = avformat_open_input(&format_, name.constData(), nullptr, nullptr); r < 0)
            return failure(r, QStringLiteral("The film cannot be opened"));
        if (const int r = avformat_find_stream_info(format_, nullptr); r < 0)
            return failure(r, QStringLiteral("The film cannot be read"));
        const AVCodec *decoder = nullptr;
        stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
        if (stream_ < 0 || !decoder)
            return Failure{QStringLiteral("The file holds no picture or film this program reads.")};
        const AVStream *st = format_->streams[stream_];
        const AVCodecParameters *p = st->codecpar;
        const QSize stored(p->width, p->height);
        if (stored.isEmpty())
            return Failure{QStringLiteral("The film's frames have no pixels.")};
        if (!allocation::allows(stored))
            return Failure{allocation::tooLarge(stored)};
        // Phones record upright films turned, with the turn beside them.
        if (const auto *matrix = reinterpret_cast<const int32_t *>(
                av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, nullptr))) {
            const double degrees = av_display_rotation_get(matrix);
            if (std::isfinite(degrees))
                turn_ = (int(std::lround(-degrees / 90.0)) % 4 + 4) % 4 * 90;
        }
        timeBase_ = st->time_base;
        codec_ = avcodec_alloc_context3(decoder);
        if (!codec_ || avcodec_parameters_to_context(codec_, p) < 0)
            return Failure{QStringLiteral("The film's frames cannot be decoded.")};
        codec_->thread_count = 0;
        // No frame the decoder makes may be larger than the header said.
        codec_->max_pixels = std::max<int64_t>(1, int64_t(stored.width()) * stored.height());
        if (const int r = avcodec_open2(codec_, decoder, nullptr); r < 0)
            return failure(r, QStringLiteral("The film's frames cannot be decoded"));
        frame_ = av_frame_alloc();
        packet_ = av_packet_alloc();
        if (!frame_ || !packet_)
            return Failure{QStringLiteral("Out of memory.")};
        return index();
    }

    std::optional<double> time(int k) const override
    {
        if (k < 0 || k >= count_ || timeBase_.num <= 0 || timeBase_.den <= 0 || times_.empty())
            return std::nullopt;
        return double(times_[std::size_t(k)] - times_.front()) * timeBase_.num / timeBase_.den;
    }

    LoadResult read(int k, int fitSide, const std::atomic<bool> *cancel) override
    {
        cancel_ = cancel;
        if (k < 0 || k >= count_)
            return Failure{
                QStringLiteral("There is no frame %1: the film has %2.").arg(k + 1).arg(count_)};
        const int64_t wanted = times_[std::size_t(k)];
        // The next frame is decoded straight on; any other after a seek to the key frame at
        // or before it. A frame shown before the one wanted is decoded and passed over.
        if (k != next_) {
            if (Result<void> sought = seek(wanted); !sought)
                return sought.failure();
        }
        for (bool fromStart = false;;) {
            const Result<bool> got = decodeNext();
            if (!got)
                return got.failure();
            if (!*got)
                return Failure{QStringLiteral("Frame %1 cannot be decoded: the film ends "
                                              "before it.")
                                   .arg(k + 1)};
            const int64_t at = frame_->best_effort_timestamp;
            if (at != AV_NOPTS_VALUE && at < wanted)
                continue;
            if (at != AV_NOPTS_VALUE && at > wanted && !fromStart) {
                // The seek landed past the frame: the film's index is wrong; from the start.
                fromStart = true;
                if (Result<void> sought = seek(times_.front()); !sought)
                    return sought.failure();
                continue;
            }
            break;
        }
        next_ = k + 1;
        return picture(fitSide);
    }

private:
    static int interrupted(void *self)
    {
        const auto *film = static_cast<const Film *>(self);
        return film->cancel_ && film->cancel_->load() ? 1 : 0;
    }

    Failure failure(int code, const QString &what) const
    {
        if (code == AVERROR_EXIT || (cancel_ && cancel_->load()))
            return cancelled();
        return Failure{QStringLiteral("%1: %2").arg(what, avError(code))};
    }

    // Each frame's time, from the packets alone, without decoding: their presentation times
    // in order are the frames' order, whatever order B-frames are stored in.
    Result<void> index()
    {
        while (true) {
            const int r = av_read_frame(format_, packet_);
            if (r == AVERROR_EOF)
                break;
            if (r < 0) {
                if (r == AVERROR_EXIT || (cancel_ && cancel_->load()))
                    return cancelled();
                // A cut film: the frames before the cut.
                break;
            }
            if (packet_->stream_index == stream_) {
                const int64_t at = packet_->pts != AV_NOPTS_VALUE ? packet_->pts : packet_->dts;
                if (at == AV_NOPTS_VALUE)
                    untimed_ = true;
                times_.push_back(at == AV_NOPTS_VALUE ? int64_t(times_.size()) : at);
                if (times_.size() > std::size_t(MaxFrames)) {
                    av_packet_unref(packet_);
                    return Failure{QStringLiteral("The film has more than the %1 frames this "
                                                  "program reads.")
                                       .arg(MaxFrames)};
                }
            }
            av_packet_unref(packet_);
        }
        if (times_.empty())
            return Failure{QStringLiteral("The film has no frames.")};
        std::sort(times_.begin(), times_.end());
        times_.erase(std::unique(times_.begin(), times_.end()), times_.end());
        count_ = int(times_.size());
        next_ = -1;
        return {};
    }

    Result<void> seek(int64_t at)
    {
        if (untimed_)
            at = times_.front();
        int r = av_seek_frame(format_, stream_, at, AVSEEK_FLAG_BACKWARD);
        if (r < 0)
            r = avformat_seek_file(format_, stream_, INT64_MIN, at, at, 0);
        if (r < 0)
            return failure(r, QStringLiteral("The film cannot be wound to the frame"));
        avcodec_flush_buffers(codec_);
        draining_ = false;
        next_ = -1;
        return {};
    }

    // The next frame the decoder gives, in the order frames are shown; false at the end.
    Result<bool> decodeNext()
    {
        while (true) {
            const int r = avcodec_receive_frame(codec_, frame_);
            if (r == 0)
                return true;
            if (r == AVERROR_EOF)
                return false;
            if (r != AVERROR(EAGAIN))
                return failure(r, QStringLiteral("A frame cannot be decoded"));
            if (cancel_ && cancel_->load())
                return cancelled();
            const int read = draining_ ? AVERROR_EOF : av_read_frame(format_, packet_);
            if (read < 0) {
                if (read == AVERROR_EXIT)
                    return cancelled();
                // The end, or a cut: what the decoder still holds comes out.
                draining_ = true;
                avcodec_send_packet(codec_, nullptr);
                continue;
            }
            if (packet_->stream_index == stream_) {
                const int sent = avcodec_send_packet(codec_, packet_);
                if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_INVALIDDATA) {
                    av_packet_unref(packet_);
                    return failure(sent, QStringLiteral("A frame cannot be decoded"));
                }
            }
            av_packet_unref(packet_);
        }
    }

    // The decoded frame as the preview shows it: scaled once, straight from the decoder's
    // colours, to the painted size, then turned upright.
    LoadResult picture(int fitSide)
    {
        const QSize shown(frame_->width, frame_->height);
        if (shown.isEmpty() || !allocation::allows(shown))
            return Failure{QStringLiteral("A frame has no pixels, or more than its film said.")};
        const QSize uprightShown = turn_ % 180 ? shown.transposed() : shown;
        const QSize painted = paintedSize(uprightShown, fitSide);
        const QSize stored = turn_ % 180 ? painted.transposed() : painted;
        Result<QImage> made = allocation::image(stored, QImage::Format_RGB32);
        if (!made)
            return made.failure();
        scaler_ = sws_getCachedContext(
            scaler_, shown.width(), shown.height(), AVPixelFormat(frame_->format), stored.width(),
            stored.height(), AV_PIX_FMT_RGB32, SWS_AREA, nullptr, nullptr, nullptr);
        if (!scaler_)
            return Failure{QStringLiteral("The film's frames have colours this program cannot "
                                          "convert.")};
        // The film's own colour matrix and range; HD films without one are BT.709's.
        int space = frame_->colorspace;
        if (space == AVCOL_SPC_UNSPECIFIED || space == AVCOL_SPC_RGB)
            space = shown.height() >= 720 ? SWS_CS_ITU709 : SWS_CS_ITU601;
        const bool full = frame_->color_range == AVCOL_RANGE_JPEG;
        sws_setColorspaceDetails(scaler_, sws_getCoefficients(space), full,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
        uint8_t *to[4] = {made->bits(), nullptr, nullptr, nullptr};
        const int strides[4] = {int(made->bytesPerLine()), 0, 0, 0};
        sws_scale(scaler_, frame_->data, frame_->linesize, 0, shown.height(), to, strides);
        QImage image = std::move(*made);
        if (turn_)
            image = image.transformed(QTransform().rotate(turn_));
        // A film may change its frames' size on the way: each frame is its own size.
        return Picture{uprightShown, image, file_};
    }

    AVFormatContext *format_ = nullptr;
    AVCodecContext *codec_ = nullptr;
    AVFrame *frame_ = nullptr;
    AVPacket *packet_ = nullptr;
    SwsContext *scaler_ = nullptr;
    int stream_ = -1;
    AVRational timeBase_{0, 1};
    std::vector<int64_t> times_;
    bool untimed_ = false, draining_ = false;
    int next_ = -1; // the frame the decoder gives next, -1 after a seek
    int turn_ = 0;  // degrees clockwise that turn a stored frame upright
    const std::atomic<bool> *cancel_ = nullptr;
};

// The reader the picture room loads when it first meets a film; its metadata names the build
// it belongs to.
class FfmpegFilmReader : public QObject, public FilmReader {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID TintaraFilmReader_iid FILE "filmreader.json")
    Q_INTERFACES(picture::FilmReader)
public:
    Result<std::unique_ptr<Frames>> open(const QString &path, const FileState &file,
                                         const std::atomic<bool> *cancel) override
    {
        auto film = std::make_unique<Film>();
        if (Result<void> opened = film->open(path, file, cancel); !opened) {
            qCDebug(lcPicture) << "film not opened:" << path << opened.error();
            return opened.failure();
        }
        return std::unique_ptr<Frames>(std::move(film));
    }
};

} // namespace picture

#include "filmframes.moc"
