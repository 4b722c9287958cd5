// The frames of a stack or a film: the row that steps through them.
#include "app/form1.h"

#include "app/logging.h"
#include "platform/toolwindow.h"

#include <QAction>
#include <QFutureWatcher>
#include <QProgressDialog>
#include <QScreen>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// Below the classic controls, which keep their places; the window grows by the row.
constexpr int RowTop = 588, GrownHeight = 620, ClassicHeight = 584;

// "0:00:11.4"
QString clock(double seconds)
{
    const qint64 tenths = qint64(std::floor(seconds * 10 + 0.5));
    return QStringLiteral("%1:%2:%3.%4")
        .arg(tenths / 36000)
        .arg(tenths / 600 % 60, 2, 10, QLatin1Char('0'))
        .arg(tenths / 10 % 60, 2, 10, QLatin1Char('0'))
        .arg(tenths % 10);
}

} // namespace

void Form1::buildFrameRow()
{
    FramePlay = new QPushButton(QStringLiteral("Play"), this);
    FramePlay->setObjectName(QStringLiteral("FramePlay"));
    FramePlay->setCheckable(true);
    FramePlay->setGeometry(16, RowTop, 65, 25);
    FramePlay->setToolTip(QStringLiteral("Step through the frames at the film's pace"));
    FrameSlider = new QSlider(Qt::Horizontal, this);
    FrameSlider->setObjectName(QStringLiteral("FrameSlider"));
    FrameSlider->setGeometry(88, RowTop + 2, 345, 21);
    FrameSlider->setToolTip(QStringLiteral("The frame shown (Page Up, Page Down, Home, End)"));
    FrameNumber = new QSpinBox(this);
    FrameNumber->setObjectName(QStringLiteral("FrameNumber"));
    FrameNumber->setGeometry(440, RowTop, 88, 25);
    FrameNumber->setToolTip(QStringLiteral("The frame shown, from 1"));
    FrameLabel = new QLabel(this);
    FrameLabel->setObjectName(QStringLiteral("FrameLabel"));
    FrameLabel->setGeometry(536, RowTop + 4, 312, 17);
    for (QWidget *w :
         std::initializer_list<QWidget *>{FramePlay, FrameSlider, FrameNumber, FrameLabel})
        w->hide();
    framePlay_ = new QTimer(this);
    connect(FrameSlider, &QSlider::valueChanged, this, &Form1::showFrame);
    connect(FrameNumber, &QSpinBox::valueChanged, this, &Form1::showFrame);
    connect(FramePlay, &QPushButton::toggled, this, &Form1::playFrames);
    connect(framePlay_, &QTimer::timeout, this, [this] {
        if (!frames_ || frame_ >= frames_->count())
            FramePlay->setChecked(false);
        else
            showFrame(frame_ + 1);
    });
    const auto key = [this](QKeySequence keys, auto step) {
        auto *action = new QAction(this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setEnabled(false);
        connect(action, &QAction::triggered, this, [this, step] {
            if (frames_)
                showFrame(std::clamp(step(frame_, frames_->count()), 1, frames_->count()));
        });
        addAction(action);
        frameKeys_ << action;
    };
    key(QKeySequence(Qt::Key_PageDown), [](int k, int) { return k + 1; });
    key(QKeySequence(Qt::Key_PageUp), [](int k, int) { return k - 1; });
    key(QKeySequence(Qt::Key_Home), [](int, int) { return 1; });
    key(QKeySequence(Qt::Key_End), [](int, int n) { return n; });
}

void Form1::findFrames(const QString &file)
{
    const int placed = placed_;
    auto *watcher = new QFutureWatcher<Result<std::shared_ptr<picture::Frames>>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, placed] {
        watcher->deleteLater();
        // Another picture placed meanwhile has frames of its own.
        if (placed != placed_)
            return;
        const Result<std::shared_ptr<picture::Frames>> found = watcher->result();
        if (!found) {
            qCInfo(lcApp) << "no frames:" << found.error();
            return;
        }
        if ((*found)->count() < 2)
            return;
        frames_ = *found;
        frame_ = 1;
        stackCount_.reset();
        showFrameRow(true);
        if (histogram_)
            refreshHistogram();
    });
    watcher->setFuture(QtConcurrent::run([file]() -> Result<std::shared_ptr<picture::Frames>> {
        Result<std::unique_ptr<picture::Frames>> opened = picture::openFrames(file);
        if (!opened)
            return opened.failure();
        return std::shared_ptr<picture::Frames>(std::move(*opened));
    }));
}

void Form1::showFrameRow(bool shown)
{
    if (!FrameSlider)
        return;
    if (!shown)
        FramePlay->setChecked(false);
    const int count = frames_ ? frames_->count() : 1;
    for (QSpinBox *w : {FrameNumber}) {
        const QSignalBlocker quiet(w);
        w->setRange(1, count);
        w->setValue(frame_);
    }
    const QSignalBlocker quiet(FrameSlider);
    FrameSlider->setRange(1, count);
    FrameSlider->setPageStep(std::max(1, count / 10));
    FrameSlider->setValue(frame_);
    FrameLabel->setText(frameCaption());
    for (QWidget *w :
         std::initializer_list<QWidget *>{FramePlay, FrameSlider, FrameNumber, FrameLabel})
        w->setVisible(shown);
    for (QAction *a : frameKeys_)
        a->setEnabled(shown);
    const int wanted = shown ? GrownHeight : ClassicHeight;
    QWidget *top = window();
    if (top == this) {
        if (shown ? height() < GrownHeight : height() == GrownHeight)
            resize(width(), wanted);
        return;
    }
    // Inside a scrolling window: the window grows by the row as far as the screen lets it, and
    // scrolls to the rest; it shrinks back for a still picture.
    if (minimumHeight() == wanted)
        return;
    const int by = wanted - minimumHeight();
    setMinimumHeight(wanted);
    QSize size = top->size() + QSize(0, by);
    if (const QScreen *screen = top->screen())
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    top->resize(size);
}

void Form1::showFrame(int number)
{
    if (!frames_ || number < 1 || number > frames_->count() || number == frame_)
        return;
    const picture::LoadResult frame = frames_->read(number - 1, loadedSide_);
    if (!frame) {
        FramePlay->setChecked(false);
        Label23->setCaption(QStringLiteral("Frame %1 cannot be read").arg(number));
        qCInfo(lcApp) << "frame" << number << frame.error();
    } else {
        frame_ = number;
        // Each frame its own: the automatic minimums follow the frame, as the batch's
        // --auto-scope frame takes them, without a step of the history each.
        if (scope() == frmHistogram::Scope::EachFrame) {
            shown_ = {*frame, loadedSide_};
            const auto found = runner_.automatic(scene(), asShown(Command::Threshold));
            quietly([&] {
                for (const Channel c : Channels)
                    if (automatic_[c] && found[c] && found[c]->threshold) {
                        // Noted first: a minimum moved off its method's threshold forgets the
                        // method.
                        automatic_[c]->threshold = *found[c]->threshold;
                        chooseBound(c, true, *found[c]->threshold);
                    }
            });
        }
        showPicture(*frame);
    }
    // The slider, the number and the caption follow whichever of them moved.
    const QSignalBlocker quietSlider(FrameSlider), quietNumber(FrameNumber);
    FrameSlider->setValue(frame_);
    FrameNumber->setValue(frame_);
    FrameLabel->setText(frameCaption());
}

void Form1::playFrames(bool on)
{
    FramePlay->setText(on ? QStringLiteral("Pause") : QStringLiteral("Play"));
    if (!on || !frames_) {
        framePlay_->stop();
        return;
    }
    // At the film's pace where it has one, 25 frames a second otherwise; from the start again
    // when the last frame is shown.
    const std::optional<double> first = frames_->time(0), second = frames_->time(1);
    const double step = first && second && *second > *first ? *second - *first : 0.04;
    framePlay_->start(int(std::clamp(step * 1000, 1.0, 1000.0)));
    if (frame_ >= frames_->count())
        showFrame(1);
}

QString Form1::frameCaption() const
{
    if (!frames_)
        return {};
    QString caption = QStringLiteral("frame %1 of %2").arg(frame_).arg(frames_->count());
    if (const std::optional<double> t = frames_->time(frame_ - 1))
        caption += QStringLiteral(" (%1)").arg(clock(*t));
    return caption;
}

QString Form1::frameText() const
{
    return frames_ ? QString::number(frame_) : QString();
}

frmHistogram::Scope Form1::scope() const
{
    return frames_ && histogram_ ? histogram_->scope() : frmHistogram::Scope::ThisFrame;
}

std::optional<scan::BlockHistograms> Form1::stackHistograms()
{
    if (!frames_)
        return std::nullopt;
    const results::Recipe r = asShown(Command::Threshold);
    if (stackCount_ && stackCount_->placed == placed_ && stackCount_->selection == r.selection &&
        stackCount_->rx == r.rx && stackCount_->ry == r.ry && stackCount_->overlap == r.overlap)
        return stackCount_->counted;
    QProgressDialog progress(QStringLiteral("Counting the block values of every frame..."),
                             QStringLiteral("Cancel"), 0, frames_->count(), this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    const Result<scan::BlockHistograms> counted = runner_.stackHistograms(
        *frames_, results::frameRange(QStringLiteral("all"))->of(frames_->count()), r,
        [&progress](int done) {
            progress.setValue(done);
            return !progress.wasCanceled();
        });
    if (!counted) {
        // A stack with a frame that cannot be read has no minimum of all its frames: the batch
        // refuses it alike.
        if (!counted.error().isEmpty())
            Label23->setCaption(counted.error());
        return std::nullopt;
    }
    stackCount_ = StackCount{placed_, r.selection, r.rx, r.ry, r.overlap, *counted};
    return *counted;
}

void Form1::measureFrames()
{
    if (!frames_)
        return;
    // As a threshold scan of each frame with the settings shown; the automatic minimums as the
    // scope takes them.
    results::Recipe r = asShown(Command::Threshold);
    std::optional<scan::BlockHistograms> stack;
    if (scope() == frmHistogram::Scope::ThisFrame)
        r.automatic = {};
    else if (scope() == frmHistogram::Scope::Stack && !(stack = stackHistograms()))
        return;
    QStringList header{QStringLiteral("frame"), QStringLiteral("time")};
    for (const auto &[name, value] : results::measuredSettings(r))
        header << name;
    header << scan::measurementHeader();
    QProgressDialog progress(QStringLiteral("Measuring every frame..."), QStringLiteral("Cancel"),
                             0, frames_->count(), this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    std::vector<frmFrames::Row> rows;
    for (int k = 0; k < frames_->count(); ++k) {
        progress.setValue(k);
        if (progress.wasCanceled())
            return;
        const picture::LoadResult frame = frames_->read(k, loadedSide_);
        if (!frame)
            continue;
        const pipeline::Planes planes =
            runner_.run(pipeline::scene({*frame, loadedSide_}), r, stack ? &*stack : nullptr);
        frmFrames::Row row;
        row.frame = k + 1;
        row.time = frames_->time(k);
        for (const Channel c : Channels)
            row.shares[c] = planes.measured.channels[c].percent();
        row.values << QString::number(row.frame)
                   << (row.time ? QString::number(*row.time, 'f', 3) : QString());
        for (const auto &[name, value] : results::measuredSettings(planes.asked()))
            row.values << value;
        row.values << scan::measurementRow(planes.measured);
        rows.push_back(row);
    }
    progress.setValue(frames_->count());
    if (!framesWindow_) {
        framesWindow_ = new frmFrames(this);
        connect(framesWindow_, &frmFrames::frameChosen, this, &Form1::showFrame);
    }
    framesWindow_->setRows(header, rows);
    platform::showToolWindow(framesWindow_);
}
