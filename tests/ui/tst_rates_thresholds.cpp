// The rate bars with the plane sizing, and the six threshold bars with their coupling.
#include "support/form1driver.h"
#include "support/pictures.h"

#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

using namespace platform;
using namespace core;

namespace {

// Clicks the right arrow of a scroll bar, as a user would.
void clickRightArrow(QScrollBar *bar)
{
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.orientation = bar->orientation();
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = bar->sliderPosition();
    opt.sliderValue = bar->value();
    opt.singleStep = bar->singleStep();
    opt.pageStep = bar->pageStep();
    const QRect arrow =
        bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarAddLine, bar);
    QTest::mouseClick(bar, Qt::LeftButton, {}, arrow.center());
}

QSizeF planeOf(const PictureBox *p)
{
    return {p->Width(), p->Height()};
}

} // namespace

class TestRatesThresholds : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void xRateDragsTheYRate();
    void xRateToTheValueYAlreadyHas();
    void yRateAlone();
    void readoutsLoseTheirBlank();
    void ratesStopAtTheirLimits();
    void userArrowClicksCommitAChange();
    void minimumReopensItsBand();
    void loweredMaximumGoesBackTo255();
    void minimumAt255PinsTheMaximum();
    void maximumChangesOnlyItsOwnSwatch();
    void maximumAlreadyAt255RunsNoHandler();
    void sameValueChangesNothing();

private:
    Form1Driver *form = nullptr;
    QTemporaryDir dir_;
};

void TestRatesThresholds::init()
{
    form = new Form1Driver;
    form->load(testpics::write(dir_, QStringLiteral("p.png"), testpics::solid(640, 480, Qt::gray)));
}

void TestRatesThresholds::cleanup()
{
    delete form;
    form = nullptr;
}

void TestRatesThresholds::xRateDragsTheYRate()
{
    // Connected after the window's own handler: it sees what the y rate's handler left.
    QSizeF sizedByY;
    connect(form->rate(Axis::Y), &QScrollBar::valueChanged, form,
            [&] { sizedByY = planeOf(form->plane(View::Green)); });
    QSignalSpy yChanged(form->rate(Axis::Y), &QScrollBar::valueChanged);
    form->rate(Axis::X)->setValue(7);
    QCOMPARE(form->rateCaption(Axis::X)->Caption(), QStringLiteral("Rate x 1:7"));
    QCOMPARE(form->rate(Axis::Y)->Value(), 7);
    QCOMPARE(form->rateCaption(Axis::Y)->Caption(), QStringLiteral("Rate y 1:7"));
    QCOMPARE(yChanged.count(), 1);
    QCOMPARE(sizedByY, QSizeF(520.0f / 7, 395.0f / 7));
    for (PictureBox *p :
         {form->plane(View::Blue), form->plane(View::Green), form->plane(View::Red)})
        QCOMPARE(planeOf(p), QSizeF(520.0f / 7, 395.0f / 7));
}

void TestRatesThresholds::xRateToTheValueYAlreadyHas()
{
    form->rate(Axis::Y)->setValue(9);
    QSignalSpy yChanged(form->rate(Axis::Y), &QScrollBar::valueChanged);
    form->rate(Axis::X)->setValue(9);
    QCOMPARE(yChanged.count(), 0);
    QCOMPARE(form->rateCaption(Axis::Y)->Caption(), QStringLiteral("Rate y 1:9"));
    QCOMPARE(planeOf(form->plane(View::Blue)), QSizeF(520.0f / 9, 395.0f / 9));
}

void TestRatesThresholds::yRateAlone()
{
    const QString x = form->rateCaption(Axis::X)->Caption();
    form->rate(Axis::Y)->setValue(10);
    QCOMPARE(form->rate(Axis::X)->Value(), 3);
    QCOMPARE(form->rateCaption(Axis::X)->Caption(), x);
    QCOMPARE(form->rateCaption(Axis::Y)->Caption(), QStringLiteral("Rate y 1:10"));
    QCOMPARE(planeOf(form->plane(View::Green)), QSizeF(520.0f / 3, 395.0f / 10));
}

void TestRatesThresholds::readoutsLoseTheirBlank()
{
    form->rate(Axis::X)->setValue(30);
    form->rate(Axis::X)->setValue(3);
    QCOMPARE(form->rateCaption(Axis::X)->Caption(), QStringLiteral("Rate x 1:3"));
    QCOMPARE(form->rateCaption(Axis::Y)->Caption(), QStringLiteral("Rate y 1:3"));
}

void TestRatesThresholds::ratesStopAtTheirLimits()
{
    form->rate(Axis::X)->setValue(31);
    QCOMPARE(form->rate(Axis::X)->Value(), 30);
    form->rate(Axis::Y)->setValue(0);
    QCOMPARE(form->rate(Axis::Y)->Value(), 3);
    QCOMPARE(planeOf(form->plane(View::Blue)), QSizeF(520.0f / 30, 395.0f / 3));
}

void TestRatesThresholds::userArrowClicksCommitAChange()
{
    clickRightArrow(form->rate(Axis::X));
    QCOMPARE(form->rate(Axis::X)->Value(), 4);
    QCOMPARE(form->rateCaption(Axis::X)->Caption(), QStringLiteral("Rate x 1:4"));
    QCOMPARE(form->rate(Axis::Y)->Value(), 4);
    clickRightArrow(form->bar(Channel::Red, Bound::Minimum));
    QCOMPARE(form->readout(Channel::Red, Bound::Minimum)->Caption(), QStringLiteral("129"));
    QCOMPARE(form->bar(Channel::Red, Bound::Maximum)->Min(), 129);
}

void TestRatesThresholds::minimumReopensItsBand()
{
    form->bar(Channel::Red, Bound::Minimum)->setValue(200);
    QCOMPARE(form->readout(Channel::Red, Bound::Minimum)->Caption(), QStringLiteral("200"));
    QCOMPARE(form->bar(Channel::Red, Bound::Maximum)->Min(), 200);
    QCOMPARE(form->bar(Channel::Red, Bound::Maximum)->Max(), 255);
    QCOMPARE(form->bar(Channel::Red, Bound::Maximum)->Value(), 255);
    QCOMPARE(form->readout(Channel::Red, Bound::Maximum)->Caption(), QStringLiteral("255"));
    QCOMPARE(form->swatch(Bound::Minimum)->BackColor(), RGB(200, 128, 128));
    QCOMPARE(form->bar(Channel::Green, Bound::Maximum)->Min(), 128);
    QCOMPARE(form->bar(Channel::Blue, Bound::Maximum)->Min(), 128);
    QCOMPARE(form->readout(Channel::Green, Bound::Maximum)->Caption(), QStringLiteral("255"));
}

void TestRatesThresholds::loweredMaximumGoesBackTo255()
{
    form->bar(Channel::Green, Bound::Maximum)->setValue(180);
    QCOMPARE(form->readout(Channel::Green, Bound::Maximum)->Caption(), QStringLiteral("180"));
    QCOMPARE(form->swatch(Bound::Maximum)->BackColor(), RGB(255, 180, 255));
    form->bar(Channel::Green, Bound::Minimum)->setValue(140); // upwards
    QCOMPARE(form->bar(Channel::Green, Bound::Maximum)->Value(), 255);
    form->bar(Channel::Green, Bound::Maximum)->setValue(180);
    form->bar(Channel::Green, Bound::Minimum)->setValue(100); // downwards
    QCOMPARE(form->bar(Channel::Green, Bound::Maximum)->Value(), 255);
    QCOMPARE(form->bar(Channel::Green, Bound::Maximum)->Min(), 100);
    QCOMPARE(form->readout(Channel::Green, Bound::Maximum)->Caption(), QStringLiteral("255"));
    QCOMPARE(form->swatch(Bound::Maximum)->BackColor(), RGB(255, 255, 255));
    form->bar(Channel::Green, Bound::Maximum)->setValue(150);
    form->bar(Channel::Green, Bound::Minimum)->setValue(200); // past the lowered maximum
    QCOMPARE(form->bar(Channel::Green, Bound::Maximum)->Value(), 255);
    QCOMPARE(form->bar(Channel::Green, Bound::Maximum)->Min(), 200);
}

void TestRatesThresholds::minimumAt255PinsTheMaximum()
{
    form->bar(Channel::Blue, Bound::Minimum)->setValue(255);
    QCOMPARE(form->bar(Channel::Blue, Bound::Maximum)->Min(), 255);
    QCOMPARE(form->bar(Channel::Blue, Bound::Maximum)->Value(), 255);
    form->bar(Channel::Blue, Bound::Maximum)->setValue(10);
    QCOMPARE(form->bar(Channel::Blue, Bound::Maximum)->Value(), 255);
}

void TestRatesThresholds::maximumChangesOnlyItsOwnSwatch()
{
    form->bar(Channel::Red, Bound::Maximum)->setValue(50); // below its minimum: held at 128
    QCOMPARE(form->bar(Channel::Red, Bound::Maximum)->Value(), 128);
    QCOMPARE(form->readout(Channel::Red, Bound::Maximum)->Caption(), QStringLiteral("128"));
    QCOMPARE(form->swatch(Bound::Maximum)->BackColor(), RGB(128, 255, 255));
    QCOMPARE(form->swatch(Bound::Minimum)->BackColor(), RGB(128, 128, 128));
    QCOMPARE(form->bar(Channel::Red, Bound::Minimum)->Value(), 128);
}

void TestRatesThresholds::maximumAlreadyAt255RunsNoHandler()
{
    form->bar(Channel::Red, Bound::Maximum)->setValue(200);
    form->bar(Channel::Red, Bound::Maximum)->setValue(255);
    const Colour swatch = form->swatch(Bound::Maximum)->BackColor();
    QSignalSpy maxChanged(form->bar(Channel::Red, Bound::Maximum), &QScrollBar::valueChanged);
    form->bar(Channel::Red, Bound::Minimum)->setValue(90);
    QCOMPARE(maxChanged.count(), 0);
    QCOMPARE(form->bar(Channel::Red, Bound::Maximum)->Min(), 90);
    QCOMPARE(form->swatch(Bound::Maximum)->BackColor(), swatch);
}

void TestRatesThresholds::sameValueChangesNothing()
{
    form->bar(Channel::Green, Bound::Maximum)->setValue(200);
    QSignalSpy minChanged(form->bar(Channel::Green, Bound::Minimum), &QScrollBar::valueChanged);
    form->bar(Channel::Green, Bound::Minimum)->setValue(128);
    QCOMPARE(minChanged.count(), 0);
    QCOMPARE(form->bar(Channel::Green, Bound::Maximum)->Value(), 200); // no change handling ran
}

QTEST_MAIN(TestRatesThresholds)
#include "tst_rates_thresholds.moc"
