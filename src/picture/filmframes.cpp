#include "picture/filmreader.h"

#include "picture/allocationguard.h"
#include "picture/logging.h"

#include <QFile>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <numeric>
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

// How many entries the edit lists of an ISO base media file (MP4, QuickTime) have together, from
// its movie box; 0 for any other file.
qint64 editListEntries(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const auto word = [](const QByteArray &b, qsizetype at) {
        return qint64(quint8(b[at])) << 24 | qint64(quint8(b[at + 1])) << 16 |
               qint64(quint8(b[at + 2])) << 8 | qint64(quint8(b[at + 3]));
    };
    for (int boxes = 0; boxes < 1000 && !file.atEnd(); ++boxes) {
        const qint64 at = file.pos();
        QByteArray head = file.read(16);
        if (head.size() < 8)
            return 0;
        qint64 size = word(head, 0), skip = 8;
        if (size == 1 && head.size() == 16) {
            size = word(head, 8) << 32 | word(head, 12);
            skip = 16;
        } else if (size == 0) {
            size = file.size() - at;
        }
        if (size < skip)
            return 0;
        if (head.sliced(4, 4) == "moov") {
            constexpr qint64 MaxMovieBox = 64 << 20;
            if (!file.seek(at + skip))
                return 0;
            const QByteArray movie = file.read(std::min(size - skip, MaxMovieBox));
            qint64 entries = 0;
            for (qsizetype e = movie.indexOf("elst"); e >= 4 && e + 12 <= movie.size();
                 e = movie.indexOf("elst", e + 4))
                if (word(movie, e - 4) >= 16)
                    entries += word(movie, e + 8);
            return entries;
        }
        if (!file.seek(at + size))
            return 0;
    }
    return 0;
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
        name_ = QFile::encodeName(path);
        absurdEditList_ = editListEntries(path) > MaxEdits;
        if (Result<void> opened = openFormat(); !opened)
            return opened;
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
        // The decoder's own bound is the one every picture has, not the header's size: FFmpeg
        // counts its frames padded to its alignment, and a film's frames may grow on the way.
        // Each frame is still held to the limit as it comes.
        codec_->max_pixels = std::max<int64_t>(1, allocation::limitBytes() / 4);
        // A frame the decoder could only guess at is not given out as the film's.
        codec_->flags &= ~AV_CODEC_FLAG_OUTPUT_CORRUPT;
        if (const int r = avcodec_open2(codec_, decoder, nullptr); r < 0)
            return failure(r, QStringLiteral("The film's frames cannot be decoded"));
        frame_ = av_frame_alloc();
        packet_ = av_packet_alloc();
        if (!frame_ || !packet_)
            return Failure{QStringLiteral("Out of memory.")};
        if (Result<void> indexed = index(); !indexed)
            return indexed;
        return rewind();
    }

    std::optional<double> time(int k) const override
    {
        if (k < 0 || k >= count_ || timeBase_.num <= 0 || timeBase_.den <= 0 || untimed_)
            return std::nullopt;
        const int64_t at = times_[std::size_t(k)] != Missing ? times_[std::size_t(k)]
                                                             : times_.front() + int64_t(k) * step_;
        return double(at - times_.front()) * timeBase_.num / timeBase_.den;
    }

    LoadResult read(int k, int fitSide, const std::atomic<bool> *cancel) override
    {
        cancel_ = cancel;
        if (k < 0 || k >= count_)
            return Failure{
                QStringLiteral("There is no frame %1: the film has %2.").arg(k + 1).arg(count_)};
        asked_ = k + 1;
        if (!inOrder_ && times_[std::size_t(k)] == Missing)
            return Failure{
                QStringLiteral("Frame %1 is missing from the film: its data is lost.").arg(k + 1)};
        Result<void> found = inOrder_ ? findInOrder(k) : findByTime(k);
        if (!found)
            return found.failure();
        if (corrupt_ || damaged(k))
            return Failure{
                QStringLiteral("Frame %1 is damaged: it cannot be decoded exactly.").arg(k + 1)};
        return picture(fitSide);
    }

private:
    // Marks a frame number the film's times leave out: a frame lost from a damaged film.
    static constexpr int64_t Missing = INT64_MIN;
    // The most frames in a row a steady film may lose and still be numbered by its times.
    static constexpr int MaxLost = 16;
    // Films cut in an editor have a few edits; FFmpeg follows each against every sample.
    static constexpr int MaxEdits = 256;

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

    // The container read from its first byte, as if new: a read from the start owes nothing to
    // an index that may lie.
    Result<void> openFormat()
    {
        avformat_close_input(&format_);
        format_ = avformat_alloc_context();
        if (!format_)
            return Failure{QStringLiteral("Out of memory.")};
        // Cancel reaches every read and every wait of the demuxer.
        format_->interrupt_callback = {&Film::interrupted, this};
        AVDictionary *options = nullptr;
        // An edit list is followed entry by entry against every sample: one of absurd length
        // would take minutes, and is not followed.
        if (absurdEditList_)
            av_dict_set(&options, "ignore_editlist", "1", 0);
        const int r = avformat_open_input(&format_, name_.constData(), nullptr, &options);
        av_dict_free(&options);
        if (r < 0)
            return failure(r, QStringLiteral("The film cannot be opened"));
        if (const int found = avformat_find_stream_info(format_, nullptr); found < 0)
            return failure(found, QStringLiteral("The film cannot be read"));
        return {};
    }

    // Each frame's time, from the packets alone, without decoding: their presentation times
    // in order are the frames' order, whatever order B-frames are stored in. A film whose
    // frames come at a steady rate is numbered by its times, so that a frame lost from it
    // leaves its number empty rather than moving every later frame up; a frame whose data is
    // damaged, and those decoded from it up to the next key frame, are marked.
    Result<void> index()
    {
        struct Packet {
            int64_t at;
            bool key, corrupt;
        };
        std::vector<Packet> packets; // in the order they are decoded
        bool torn = false, decodeTimes = false;
        int64_t end = 0;
        while (true) {
            const int r = av_read_frame(format_, packet_);
            if (r == AVERROR_EOF)
                break;
            if (r < 0) {
                if (r == AVERROR_EXIT || (cancel_ && cancel_->load()))
                    return cancelled();
                // A cut film: the frames before the cut.
                torn = true;
                break;
            }
            if (packet_->stream_index == stream_ && packet_->size > 0) {
                const int64_t at = packet_->pts != AV_NOPTS_VALUE ? packet_->pts : packet_->dts;
                untimed_ = untimed_ || at == AV_NOPTS_VALUE;
                // A container that stores only when frames are decoded (AVI) says nothing
                // of the order B-frames are shown in.
                decodeTimes = decodeTimes || packet_->pts == AV_NOPTS_VALUE;
                if (packet_->pos >= 0)
                    end = std::max(end, packet_->pos + packet_->size);
                packets.push_back({at, (packet_->flags & AV_PKT_FLAG_KEY) != 0,
                                   (packet_->flags & AV_PKT_FLAG_CORRUPT) != 0});
                if (packets.size() > std::size_t(MaxFrames)) {
                    av_packet_unref(packet_);
                    return Failure{QStringLiteral("The film has more than the %1 frames this "
                                                  "program reads.")
                                       .arg(MaxFrames)};
                }
            }
            av_packet_unref(packet_);
        }
        if (packets.empty())
            return Failure{QStringLiteral("The film has no frames.")};
        // A film cut short: fewer frames than its header counts, or its last packet past the
        // file's end.
        const int64_t headed = format_->streams[stream_]->nb_frames;
        const int64_t size = format_->pb ? avio_size(format_->pb) : -1;
        torn = torn || (headed > 0 && int64_t(packets.size()) < headed) || (size > 0 && end > size);
        if (torn)
            packets.back().corrupt = true;
        torn_ = torn;
        std::vector<int64_t> times;
        times.reserve(packets.size());
        for (const Packet &p : packets)
            times.push_back(p.at);
        std::sort(times.begin(), times.end());
        // Times that repeat, or none at all, tell no frame from another: such a film is read in
        // the order its frames are decoded, from the start.
        inOrder_ = untimed_ || decodeTimes ||
                   std::adjacent_find(times.begin(), times.end()) != times.end();
        if (inOrder_) {
            count_ = int(packets.size());
            times_ = std::move(times);
            return {};
        }
        numbers_ = numbered(times);
        count_ = numbers_.back() + 1;
        times_.assign(std::size_t(count_), Missing);
        for (std::size_t i = 0; i < times.size(); ++i)
            times_[std::size_t(numbers_[i])] = times[i];
        present_ = std::move(times);
        damaged_.assign(std::size_t(count_), false);
        bool tainted = false;
        for (std::size_t i = 0; i < packets.size(); ++i) {
            const Packet &p = packets[i];
            // A packet after a gap in the decoding order is built on frames that are gone.
            const bool gap = i > 0 && step_ > 0 && !p.key &&
                             numberOf(p.at) > numberOf(packets[i - 1].at) + 1 &&
                             lostBetween(numberOf(packets[i - 1].at), numberOf(p.at));
            tainted = (tainted && !p.key) || p.corrupt || gap;
            if (tainted)
                damaged_[std::size_t(numberOf(p.at))] = true;
        }
        return {};
    }

    // The frames' numbers for their sorted times: by the steady step between them where most
    // steps are one, each lost frame keeping its place; otherwise one after another.
    std::vector<int> numbered(const std::vector<int64_t> &times)
    {
        std::vector<int> numbers(times.size());
        std::iota(numbers.begin(), numbers.end(), 0);
        if (times.size() < 8)
            return numbers;
        std::vector<int64_t> steps;
        for (std::size_t i = 1; i < times.size(); ++i)
            steps.push_back(times[i] - times[i - 1]);
        std::vector<int64_t> sorted = steps;
        std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
        const int64_t step = sorted[sorted.size() / 2];
        const int64_t slack = std::max<int64_t>(1, step / 8);
        if (step <= 0)
            return numbers;
        int lost = 0;
        std::vector<int> jumps(steps.size(), 1);
        for (std::size_t i = 0; i < steps.size(); ++i) {
            const int64_t n = (steps[i] + step / 2) / step;
            // A longer pause is the film's own; a few steps at once are frames lost.
            if (n >= 2 && n <= MaxLost && std::abs(steps[i] - n * step) <= slack) {
                jumps[i] = int(n);
                lost += int(n) - 1;
            } else if (std::abs(steps[i] - step) > slack && n < 2) {
                return numbers; // an unsteady film: no step to count by
            }
        }
        step_ = step;
        if (lost == 0)
            return numbers;
        for (std::size_t i = 1; i < numbers.size(); ++i)
            numbers[i] = numbers[i - 1] + jumps[i - 1];
        return numbers;
    }

    // The number of the frame shown at `at`, or -1 for a time no packet had.
    int numberOf(int64_t at) const
    {
        const auto found = std::lower_bound(present_.begin(), present_.end(), at);
        if (found == present_.end() || *found != at)
            return -1;
        return numbers_[std::size_t(found - present_.begin())];
    }

    bool lostBetween(int from, int to) const
    {
        for (int n = std::min(from, to) + 1; n < std::max(from, to); ++n)
            if (times_[std::size_t(n)] == Missing)
                return true;
        return false;
    }

    bool damaged(int k) const { return !damaged_.empty() && damaged_[std::size_t(k)]; }

    // To the film's start, the container opened again.
    Result<void> rewind()
    {
        if (Result<void> opened = openFormat(); !opened)
            return opened;
        avcodec_flush_buffers(codec_);
        draining_ = held_ = tainted_ = false;
        next_ = 0;
        straight_ = true;
        return {};
    }

    // Frame k by its time: the next frame decoded straight on, any other after a seek to the
    // key frame at or before it. Each frame decoded is checked to be the one its time says.
    // Where a seek lands past the frame, or on none, the film's index misleads: its frames are
    // reached from the start from then on. Where a read from the start meets a later frame
    // than the one asked for, that one is lost, and refused; where it meets a time the packets
    // did not have, the times are given up for the decoder's own order.
    Result<void> findByTime(int k)
    {
        const int64_t wanted = times_[std::size_t(k)];
        if (k != next_) {
            if (seekable_ && k > 0) {
                if (Result<void> sought = seek(wanted); !sought)
                    return sought;
            } else if (k < next_ || !straight_) {
                if (Result<void> back = rewind(); !back)
                    return back;
            }
        }
        while (true) {
            const Result<bool> got = nextFrame();
            if (!got)
                return got.failure();
            const int64_t at = *got ? frame_->best_effort_timestamp : AV_NOPTS_VALUE;
            const int n = at == AV_NOPTS_VALUE ? -1 : numberOf(at);
            const bool known = n >= 0;
            if (known && n == k) {
                next_ = k + 1;
                return {};
            }
            // Frames before the one wanted, after a seek or on a read forward, are passed over.
            if (known && n < k)
                continue;
            if (!straight_) {
                qCDebug(lcPicture) << "the film's index misleads at frame" << k + 1;
                seekable_ = false;
                if (Result<void> back = rewind(); !back)
                    return back;
                continue;
            }
            if (!*got)
                return Failure{QStringLiteral("Frame %1 cannot be decoded: the film ends "
                                              "before it.")
                                   .arg(k + 1)};
            if (known) {
                // Kept for the read of its own number.
                held_ = true;
                next_ = k + 1;
                return Failure{QStringLiteral("Frame %1 cannot be decoded: its data is lost or "
                                              "damaged.")
                                   .arg(k + 1)};
            }
            qCDebug(lcPicture) << "the film's times disagree with its frames at" << k + 1;
            inOrder_ = true;
            damaged_.clear();
            return findInOrder(k);
        }
    }

    // Frame k as the k-th the decoder gives from the start.
    Result<void> findInOrder(int k)
    {
        if (k < next_ || next_ < 0 || !straight_) {
            if (Result<void> back = rewind(); !back)
                return back;
        }
        while (next_ <= k) {
            const Result<bool> got = nextFrame();
            if (!got)
                return got.failure();
            if (!*got)
                return Failure{QStringLiteral("Frame %1 cannot be decoded: the film ends "
                                              "before it.")
                                   .arg(k + 1)};
            ++next_;
        }
        return {};
    }

    Result<void> seek(int64_t at)
    {
        int r = av_seek_frame(format_, stream_, at, AVSEEK_FLAG_BACKWARD);
        if (r < 0)
            r = avformat_seek_file(format_, stream_, INT64_MIN, at, at, 0);
        if (r < 0)
            return failure(r, QStringLiteral("The film cannot be wound to frame %1").arg(asked_));
        avcodec_flush_buffers(codec_);
        draining_ = held_ = tainted_ = false;
        next_ = -1;
        straight_ = false;
        return {};
    }

    // The next frame the decoder gives, in the order frames are shown, or the one held back;
    // false at the end. A frame the decoder could not decode whole, or decoded after data it
    // could not read and before the next key frame, is marked damaged.
    Result<bool> nextFrame()
    {
        if (held_) {
            held_ = false;
            return true;
        }
        while (true) {
            const int r = avcodec_receive_frame(codec_, frame_);
            if (r == 0) {
                tainted_ = tainted_ && !frame_->key_frame;
                // What a cut film's decoder gives only when told the film has ended may lack
                // the frames it was to be built on.
                corrupt_ = tainted_ || frame_->decode_error_flags ||
                           (frame_->flags & AV_FRAME_FLAG_CORRUPT) || (torn_ && draining_);
                return true;
            }
            if (r == AVERROR_EOF)
                return false;
            if (r != AVERROR(EAGAIN))
                return failure(r, QStringLiteral("Frame %1 cannot be decoded").arg(asked_));
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
                if (sent == AVERROR_INVALIDDATA || (packet_->flags & AV_PKT_FLAG_CORRUPT))
                    tainted_ = true;
                else if (sent < 0 && sent != AVERROR(EAGAIN)) {
                    av_packet_unref(packet_);
                    return failure(sent, QStringLiteral("Frame %1 cannot be decoded").arg(asked_));
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
            return Failure{
                QStringLiteral("Frame %1 has no pixels, or more than its film said.").arg(asked_)};
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
    QByteArray name_;
    std::vector<int64_t> times_;   // each frame number's time, or Missing
    std::vector<int64_t> present_; // the times packets have, in order
    std::vector<int> numbers_;     // and their frames' numbers
    std::vector<bool> damaged_;    // by frame number
    int64_t step_ = 0;             // between frames, for a film of a steady rate
    bool untimed_ = false, draining_ = false, inOrder_ = false, seekable_ = true;
    bool straight_ = true; // decoded from the start, without a seek
    bool held_ = false;    // the frame decoded last is still to be given
    bool tainted_ = false; // data was lost since the last key frame
    bool corrupt_ = false; // the frame decoded last is not exact
    bool absurdEditList_ = false;
    bool torn_ = false; // the film is cut short
    int asked_ = 0;     // the number of the frame being read, as the messages give it
    int next_ = -1;     // the frame the decoder gives next, -1 after a seek
    int turn_ = 0;      // degrees clockwise that turn a stored frame upright
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

    bool recognises(QByteArrayView head) const override
    {
        quiet();
        // The probe reads a little past what it is given.
        QByteArray padded(head.data(), head.size());
        padded.append(QByteArray(AVPROBE_PADDING_SIZE, '\0'));
        AVProbeData probe{};
        probe.filename = "";
        probe.buf = reinterpret_cast<unsigned char *>(padded.data());
        probe.buf_size = int(head.size());
        int score = 0;
        const AVInputFormat *format = av_probe_input_format3(&probe, 1, &score);
        if (!format || score < AVPROBE_SCORE_MAX / 2)
            return false;
        // Its readers of still pictures and of raw streams without a container are not films'.
        const QByteArray name(format->name);
        return !name.endsWith("_pipe") && !name.contains("image2") && name != "gif" &&
               name != "apng" && name != "tga";
    }
};

} // namespace picture

#include "filmframes.moc"
