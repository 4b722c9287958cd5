#include "app/form1.h"

#include "about/frmabout.h"
#include "platform/fonts.h"
#include "tintara/appinfo.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QPainter>
#include <QPixmap>

using namespace platform;

namespace {

// Three small planes, red, green and blue, over a frame: the program's own 16 x 16 icon.
QIcon drawIcon()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setPen(QColor(0, 0, 255));
    p.drawRect(0, 0, 15, 15);
    p.fillRect(2, 2, 5, 5, QColor(255, 0, 0));
    p.fillRect(9, 2, 5, 5, QColor(0, 192, 0));
    p.fillRect(2, 9, 5, 5, QColor(0, 0, 255));
    p.fillRect(9, 9, 5, 5, QColor(128, 128, 128));
    return QIcon(pm);
}

} // namespace

Form1::Form1(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("%1   -  %2")
                       .arg(QLatin1String(appinfo::Title), QLatin1String(appinfo::WebAddress)));
    setWindowIcon(drawIcon());
    // The controls keep their places; a larger window only shows more background.
    resize(1120, 584);
    setFont(msSansSerif());
    buildControls();
    buildFrameRow();
    wireEvents();
    for (const View view : Views)
        addResultMenu(view);
    describeControls();
    addShortcuts();
    // A picture file dropped anywhere on the window is loaded.
    setAcceptDrops(true);
}

Form1::~Form1() = default;

void Form1::wireEvents()
{
    wireHistory();
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &Form1::Command8_Click);
    connect(Combo1, &ComboBox::Click, this, &Form1::Combo1_Click);
    connect(HScroll4, &QScrollBar::valueChanged, this, &Form1::HScroll4_Change);
    connect(HScroll8, &QScrollBar::valueChanged, this, &Form1::HScroll8_Change);
    // A channel's own controls (its bars, zoom option and plane): one handler serves all three
    // channels, told which.
    for (const Channel c : Channels) {
        const ChannelRow &r = row(c);
        connect(r.minimum, &QScrollBar::valueChanged, this, [this, c] { minimumChanged(c); });
        connect(r.maximum, &QScrollBar::valueChanged, this, [this, c] { maximumChanged(c); });
        connect(r.zoom, &QRadioButton::clicked, this, [this, c] { magnify(c); });
        connect(r.plane, &PictureBox::Click, this, [this, c] { takeThreshold(c); });
        connect(r.plane, &PictureBox::MouseMove, this,
                [this, c](int, int, float x, float y) { probe(c, x, y); });
    }
    // After the handlers above, so a live run sees what they did (the planes sized first).
    watchSettings(Watch::AfterHandlers);
    connect(CheckLive, &QCheckBox::toggled, this, &Form1::liveToggled);
    const auto pending = [this](const char *name, void (Form1::*run)()) {
        auto *timer = new QTimer(this);
        timer->setObjectName(QLatin1String(name));
        timer->setSingleShot(true);
        timer->setInterval(0);
        connect(timer, &QTimer::timeout, this, run);
        return timer;
    };
    livePending_ = pending("livePending", &Form1::runAgain);
    histogramPending_ = pending("histogramPending", &Form1::refreshHistogram);
}

void Form1::Form_Load()
{
    // Steps 1 to 3: the picture boxes measure in pixels from the start; Picture1 comes second
    // in the tab order.
    setTabOrder(Combo1, Picture1);
    // Step 4: each minimum threshold runs its change handler at once.
    HScroll1->setValue(128);
    HScroll2->setValue(128);
    HScroll3->setValue(128);
    // Steps 5 and 6: Combo1_Click runs while margine is still 0.
    for (const char *size : {"200", "300", "400", "500"})
        Combo1->AddItem(QLatin1String(size));
    Combo1->setListIndex(3);
    // Steps 7 and 8: Combo2 has no handler.
    for (const char *type : {"Media", "Massimo", "Minimo", "Massimo-minimo"})
        Combo2->AddItem(QLatin1String(type));
    Combo2->setListIndex(0);
    // Steps 9 and 10.
    margine = 10;
    const double s = Combo1->Text().toDouble();
    Shape1->setWidth(static_cast<float>(s + 2 * margine));
    Shape1->setHeight(static_cast<float>(s + 2 * margine));
    // Step 11: the program's folder, where a build keeps the sample pictures; an installed
    // program finds them in its prefix's share folder.
    const QDir program(QCoreApplication::applicationDirPath());
    const QString installed = program.filePath(QStringLiteral("../share/tintara/samples"));
    CD1->setInitDir(!program.exists(QStringLiteral("sample-testcard.png")) &&
                            QDir(installed).exists(QStringLiteral("sample-testcard.png"))
                        ? QDir::cleanPath(installed)
                        : program.path());
    // The history starts from the settings the window starts with.
    startHistory();
}

void Form1::Form_Unload() {}

void Form1::closeEvent(QCloseEvent *event)
{
    // A load still under way is cancelled: the window that asked for it is going.
    loads_.cancelAll();
    Form_Unload();
    event->accept();
}

void Form1::Command2_Click()
{
    last_ = Command::None;
    livePending_->stop();
    for (const ChannelRow &r : rows_)
        r.plane->Cls();
    for (QImage &blocks : blocks_)
        blocks = QImage();
    setMeasurements({});
    describePlanes(Command::None);
}

const core::ColourSurface &Form1::sampleWindow(const QRect &region)
{
    // Only the part of the region inside the client area is rendered; the rest reads -1.
    core::paintSurface(samples_, region, rect(), [this](QImage &into, const QRect &shown) {
        render(&into, QPoint(), QRegion(shown),
               QWidget::DrawWindowBackground | QWidget::DrawChildren);
    });
    return samples_;
}

core::Colour Form1::Point(float x, float y)
{
    const int px = toPixels(x);
    const int py = toPixels(y);
    if (!std::isfinite(x) || !std::isfinite(y) || !rect().contains(px, py))
        return core::NoColour;
    return sampleWindow(QRect(px, py, 1, 1)).Point(px, py);
}

void Form1::Command4_Click()
{
    // A box that is closed but not yet deleted does not count: a new one takes its place.
    if (about_ && about_->isVisible()) {
        about_->show();
        about_->raise();
        about_->activateWindow();
        return;
    }
    // No owner: both windows stay usable, and the box outlives a closed main window.
    about_ = new frmAbout;
    about_->setAttribute(Qt::WA_DeleteOnClose);
    about_->Form_Load();
    about_->show();
}
