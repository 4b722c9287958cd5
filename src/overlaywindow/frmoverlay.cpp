#include "overlaywindow/frmoverlay.h"

#include "core/result.h"
#include "overlaywindow/logging.h"
#include "picture/pngwriter.h"
#include "platform/messagebox.h"
#include "platform/savedialog.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QToolButton>
#include <cmath>

namespace {

constexpr int Zooms[] = {0, 100, 200, 400}; // 0: fit

} // namespace

// The composed picture drawn at a scale; only what the scroll area exposes is drawn, however
// large the zoom makes it.
class OverlayView : public QWidget {
public:
    explicit OverlayView(QWidget *parent)
        : QWidget(parent)
    {}
    void setImage(const QImage &image, double scale)
    {
        image_ = image;
        scale_ = scale;
        resize((QSizeF(image.size()) * scale).toSize().expandedTo({1, 1}));
        update();
    }
    const QImage &image() const { return image_; }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter p(this);
        p.fillRect(event->rect(), palette().window());
        if (image_.isNull()) {
            p.drawText(rect(), Qt::AlignCenter, QStringLiteral("No picture yet."));
            return;
        }
        // Whole multiples keep every block square-edged; a fitted picture is smoothed.
        p.setRenderHint(QPainter::SmoothPixmapTransform, scale_ != std::round(scale_));
        p.scale(scale_, scale_);
        p.drawImage(0, 0, image_);
    }

private:
    QImage image_;
    double scale_ = 1;
};

namespace {

QIcon swatch(const QColor &colour)
{
    QPixmap p(16, 16);
    p.fill(colour);
    return QIcon(p);
}

} // namespace

frmOverlay::frmOverlay(QWidget *owner)
    : QWidget(owner, Qt::Tool)
{
    setObjectName(QStringLiteral("frmOverlay"));
    setWindowTitle(QStringLiteral("Overlay"));
    auto *grid = new QGridLayout(this);
    auto *controls = new QHBoxLayout;
    for (const Channel channel : Channels) {
        const Channel c = channel;
        // Each channel's marker colour, as its plane draws it.
        colours_[c] = QColor::fromRgb(core::toArgb(scan::markerColour(channel)));
        shown_[c] = new QCheckBox(channelTitle(channel), this);
        shown_[c]->setObjectName(QStringLiteral("Overlay") + channelTitle(channel));
        shown_[c]->setChecked(true);
        swatches_[c] = new QToolButton(this);
        swatches_[c]->setObjectName(QStringLiteral("Overlay%1Colour").arg(channelTitle(channel)));
        swatches_[c]->setIcon(swatch(colours_[c]));
        swatches_[c]->setToolTip(
            QStringLiteral("The colour of the %1 marks").arg(channelName(channel)));
        swatches_[c]->setAccessibleName(swatches_[c]->toolTip());
        controls->addWidget(shown_[c]);
        controls->addWidget(swatches_[c]);
        connect(shown_[c], &QCheckBox::toggled, this, &frmOverlay::recompose);
        connect(swatches_[c], &QToolButton::clicked, this,
                [this, channel] { chooseColour(channel); });
    }
    outline_ = new QCheckBox(QStringLiteral("Outline"), this);
    outline_->setObjectName(QStringLiteral("OverlayOutline"));
    outline_->setToolTip(QStringLiteral("Only the border of the marked region"));
    opacity_ = new QSlider(Qt::Horizontal, this);
    opacity_->setObjectName(QStringLiteral("OverlayOpacity"));
    opacity_->setRange(0, 100);
    opacity_->setValue(50);
    opacity_->setAccessibleName(QStringLiteral("Opacity of the marks"));
    auto *opacityLabel = new QLabel(QStringLiteral("&Opacity:"), this);
    opacityLabel->setBuddy(opacity_);
    zoom_ = new QComboBox(this);
    zoom_->setObjectName(QStringLiteral("OverlayZoom"));
    zoom_->addItems({QStringLiteral("Fit"), QStringLiteral("100 %"), QStringLiteral("200 %"),
                     QStringLiteral("400 %")});
    zoom_->setAccessibleName(QStringLiteral("Zoom"));
    controls->addWidget(outline_);
    controls->addWidget(opacityLabel);
    controls->addWidget(opacity_);
    controls->addWidget(zoom_);
    controls->addStretch();
    grid->addLayout(controls, 0, 0, 1, 3);
    connect(outline_, &QCheckBox::toggled, this, &frmOverlay::recompose);
    connect(opacity_, &QSlider::valueChanged, this, &frmOverlay::recompose);
    connect(zoom_, &QComboBox::currentIndexChanged, this, &frmOverlay::rescale);

    scroll_ = new QScrollArea(this);
    view_ = new OverlayView(nullptr);
    view_->setObjectName(QStringLiteral("OverlayView"));
    view_->setAccessibleName(QStringLiteral("The picture with the marked blocks over it"));
    scroll_->setWidget(view_);
    scroll_->setAlignment(Qt::AlignCenter);
    grid->addWidget(scroll_, 1, 0, 1, 3);
    grid->setRowStretch(1, 1);

    counts_ = new QLabel(this);
    counts_->setWordWrap(true);
    counts_->setObjectName(QStringLiteral("OverlayMeasurements"));
    counts_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *copyButton = new QPushButton(QStringLiteral("Copy"), this);
    copyButton->setObjectName(QStringLiteral("OverlayCopy"));
    auto *saveButton = new QPushButton(QStringLiteral("Save As PNG..."), this);
    saveButton->setObjectName(QStringLiteral("OverlaySave"));
    grid->addWidget(counts_, 2, 0);
    grid->addWidget(copyButton, 2, 1);
    grid->addWidget(saveButton, 2, 2);
    connect(copyButton, &QPushButton::clicked, this, &frmOverlay::copy);
    connect(saveButton, &QPushButton::clicked, this, &frmOverlay::save);
    // The window's own Ctrl+C and Ctrl+S.
    auto *copyKey = new QAction(this), *saveKey = new QAction(this);
    copyKey->setShortcut(QKeySequence::Copy);
    saveKey->setShortcut(QKeySequence::Save);
    connect(copyKey, &QAction::triggered, this, &frmOverlay::copy);
    connect(saveKey, &QAction::triggered, this, &frmOverlay::save);
    addAction(copyKey);
    addAction(saveKey);
    resize(620, 640);
}

void frmOverlay::setScene(const OverlayScene &scene)
{
    scene_ = scene;
    showCounts();
    recompose();
}

void frmOverlay::setOutOfDate(const QString &note)
{
    if (note == outOfDate_)
        return;
    outOfDate_ = note;
    showCounts();
}

void frmOverlay::showCounts()
{
    const QString counts =
        QStringLiteral("Marked: %1").arg(scan::describeCount(scene_.measured.any));
    counts_->setText(outOfDate_.isEmpty() ? counts : counts + QLatin1Char('\n') + outOfDate_);
}

void frmOverlay::recompose()
{
    PerChannel<overlay::Layer> layers;
    for (const Channel channel : Channels) {
        const Channel c = channel;
        layers[c] = {scene_.marks[c], colours_[c], shown_[c]->isChecked()};
    }
    composed_ = scene_.picture.isNull()
                    ? QImage()
                    : overlay::compose(scene_.picture, scene_.grid, layers,
                                       {opacity_->value() / 100.0, outline_->isChecked()});
    rescale();
}

void frmOverlay::rescale()
{
    const int percent = Zooms[std::max(0, zoom_->currentIndex())];
    double scale = percent / 100.0;
    if (percent == 0 && !composed_.isNull()) {
        const QSize room = scroll_->viewport()->size() - QSize(2, 2);
        scale = std::max(0.01, std::min(double(room.width()) / composed_.width(),
                                        double(room.height()) / composed_.height()));
    }
    view_->setImage(composed_, composed_.isNull() ? 1.0 : scale);
}

void frmOverlay::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (zoom_->currentIndex() == 0)
        rescale();
}

void frmOverlay::chooseColour(Channel channel)
{
    const Channel c = channel;
    auto *dialog = new QColorDialog(colours_[c], this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("%1 marks").arg(channelTitle(channel)));
    connect(dialog, &QColorDialog::colorSelected, this, [this, c](const QColor &colour) {
        colours_[c] = colour;
        swatches_[c]->setIcon(swatch(colour));
        recompose();
    });
    dialog->open();
}

std::optional<QList<QPair<QString, QString>>> frmOverlay::record() const
{
    std::optional<QList<QPair<QString, QString>>> texts =
        scene_.record ? scene_.record() : QList<QPair<QString, QString>>();
    if (!texts)
        return texts;
    QStringList layers;
    for (const Channel channel : Channels) {
        const Channel c = channel;
        if (shown_[c]->isChecked())
            layers << QStringLiteral("%1 %2").arg(channelName(channel), colours_[c].name());
    }
    texts->append(
        {QStringLiteral("Overlay"),
         QStringLiteral("%1; %2; opacity %3 %")
             .arg(layers.isEmpty() ? QStringLiteral("none") : layers.join(QStringLiteral(", ")),
                  outline_->isChecked() ? QStringLiteral("outline") : QStringLiteral("fill"))
             .arg(opacity_->value())});
    return texts;
}

void frmOverlay::copy()
{
    if (!composed_.isNull())
        QGuiApplication::clipboard()->setImage(composed_);
}

void frmOverlay::save()
{
    if (composed_.isNull())
        return;
    const QString path = platform::askSaveFileName(this, scene_.name);
    if (path.isEmpty())
        return;
    const auto texts = record();
    if (!texts)
        return;
    if (const Result<void> saved = picture::savePng(composed_, path, *texts); !saved) {
        qCInfo(lcOverlay) << "not saved" << path << saved.error();
        platform::MsgBox(
            this, failureText(QStringLiteral("Cannot save the picture"), path, saved.error()),
            windowTitle(), QMessageBox::Warning);
    }
}
