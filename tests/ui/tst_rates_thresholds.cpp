// The rate bars with the plane sizing, and the six threshold bars with their coupling.
#include "app/form1.h"
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
    Form1 *form = nullptr;
    QTemporaryDir dir_;
};

void TestRatesThresholds::init()
{
    form = new Form1;
    testpics::start(*form);
    testpics::load(
        *form, testpics::write(dir_, QStringLiteral("p.png"), testpics::solid(640, 480, Qt::gray)));
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
    connect(form->HScroll8, &QScrollBar::valueChanged, form,
            [&] { sizedByY = planeOf(form->Picture3); });
    QSignalSpy yChanged(form->HScroll8, &QScrollBar::valueChanged);
    form->HScroll4->setValue(7);
    QCOMPARE(form->Label21->Caption(), QStringLiteral("Rate x 1:7"));
    QCOMPARE(form->HScroll8->Value(), 7);
    QCOMPARE(form->Label22->Caption(), QStringLiteral("Rate y 1:7"));
    QCOMPARE(yChanged.count(), 1);
    QCOMPARE(sizedByY, QSizeF(520.0f / 7, 395.0f / 7));
    for (PictureBox *p : {form->Picture2, form->Picture3, form->Picture4})
        QCOMPARE(planeOf(p), QSizeF(520.0f / 7, 395.0f / 7));
}

void TestRatesThresholds::xRateToTheValueYAlreadyHas()
{
    form->HScroll8->setValue(9);
    QSignalSpy yChanged(form->HScroll8, &QScrollBar::valueChanged);
    form->HScroll4->setValue(9);
    QCOMPARE(yChanged.count(), 0);
    QCOMPARE(form->Label22->Caption(), QStringLiteral("Rate y 1:9"));
    QCOMPARE(planeOf(form->Picture2), QSizeF(520.0f / 9, 395.0f / 9));
}

void TestRatesThresholds::yRateAlone()
{
    const QString x = form->Label21->Caption();
    form->HScroll8->setValue(10);
    QCOMPARE(form->HScroll4->Value(), 3);
    QCOMPARE(form->Label21->Caption(), x);
    QCOMPARE(form->Label22->Caption(), QStringLiteral("Rate y 1:10"));
    QCOMPARE(planeOf(form->Picture3), QSizeF(520.0f / 3, 395.0f / 10));
}

void TestRatesThresholds::readoutsLoseTheirBlank()
{
    form->HScroll4->setValue(30);
    form->HScroll4->setValue(3);
    QCOMPARE(form->Label21->Caption(), QStringLiteral("Rate x 1:3"));
    QCOMPARE(form->Label22->Caption(), QStringLiteral("Rate y 1:3"));
}

void TestRatesThresholds::ratesStopAtTheirLimits()
{
    form->HScroll4->setValue(31);
    QCOMPARE(form->HScroll4->Value(), 30);
    form->HScroll8->setValue(0);
    QCOMPARE(form->HScroll8->Value(), 3);
    QCOMPARE(planeOf(form->Picture2), QSizeF(520.0f / 30, 395.0f / 3));
}

void TestRatesThresholds::userArrowClicksCommitAChange()
{
    clickRightArrow(form->HScroll4);
    QCOMPARE(form->HScroll4->Value(), 4);
    QCOMPARE(form->Label21->Caption(), QStringLiteral("Rate x 1:4"));
    QCOMPARE(form->HScroll8->Value(), 4);
    clickRightArrow(form->HScroll2);
    QCOMPARE(form->Label14->Caption(), QStringLiteral("129"));
    QCOMPARE(form->HScroll5->Min(), 129);
}

void TestRatesThresholds::minimumReopensItsBand()
{
    form->HScroll2->setValue(200);
    QCOMPARE(form->Label14->Caption(), QStringLiteral("200"));
    QCOMPARE(form->HScroll5->Min(), 200);
    QCOMPARE(form->HScroll5->Max(), 255);
    QCOMPARE(form->HScroll5->Value(), 255);
    QCOMPARE(form->Label11->Caption(), QStringLiteral("255"));
    QCOMPARE(form->Shape2->BackColor(), RGB(200, 128, 128));
    QCOMPARE(form->HScroll6->Min(), 128);
    QCOMPARE(form->HScroll7->Min(), 128);
    QCOMPARE(form->Label16->Caption(), QStringLiteral("255"));
}

void TestRatesThresholds::loweredMaximumGoesBackTo255()
{
    form->HScroll6->setValue(180);
    QCOMPARE(form->Label16->Caption(), QStringLiteral("180"));
    QCOMPARE(form->Shape3->BackColor(), RGB(255, 180, 255));
    form->HScroll1->setValue(140); // upwards
    QCOMPARE(form->HScroll6->Value(), 255);
    form->HScroll6->setValue(180);
    form->HScroll1->setValue(100); // downwards
    QCOMPARE(form->HScroll6->Value(), 255);
    QCOMPARE(form->HScroll6->Min(), 100);
    QCOMPARE(form->Label16->Caption(), QStringLiteral("255"));
    QCOMPARE(form->Shape3->BackColor(), RGB(255, 255, 255));
    form->HScroll6->setValue(150);
    form->HScroll1->setValue(200); // past the lowered maximum
    QCOMPARE(form->HScroll6->Value(), 255);
    QCOMPARE(form->HScroll6->Min(), 200);
}

void TestRatesThresholds::minimumAt255PinsTheMaximum()
{
    form->HScroll3->setValue(255);
    QCOMPARE(form->HScroll7->Min(), 255);
    QCOMPARE(form->HScroll7->Value(), 255);
    form->HScroll7->setValue(10);
    QCOMPARE(form->HScroll7->Value(), 255);
}

void TestRatesThresholds::maximumChangesOnlyItsOwnSwatch()
{
    form->HScroll5->setValue(50); // below its minimum: held at 128
    QCOMPARE(form->HScroll5->Value(), 128);
    QCOMPARE(form->Label11->Caption(), QStringLiteral("128"));
    QCOMPARE(form->Shape3->BackColor(), RGB(128, 255, 255));
    QCOMPARE(form->Shape2->BackColor(), RGB(128, 128, 128));
    QCOMPARE(form->HScroll2->Value(), 128);
}

void TestRatesThresholds::maximumAlreadyAt255RunsNoHandler()
{
    form->HScroll5->setValue(200);
    form->HScroll5->setValue(255);
    const Colour swatch = form->Shape3->BackColor();
    QSignalSpy maxChanged(form->HScroll5, &QScrollBar::valueChanged);
    form->HScroll2->setValue(90);
    QCOMPARE(maxChanged.count(), 0);
    QCOMPARE(form->HScroll5->Min(), 90);
    QCOMPARE(form->Shape3->BackColor(), swatch);
}

void TestRatesThresholds::sameValueChangesNothing()
{
    form->HScroll6->setValue(200);
    QSignalSpy minChanged(form->HScroll1, &QScrollBar::valueChanged);
    form->HScroll1->setValue(128);
    QCOMPARE(minChanged.count(), 0);
    QCOMPARE(form->HScroll6->Value(), 200); // no change handling ran
}

QTEST_MAIN(TestRatesThresholds)
#include "tst_rates_thresholds.moc"
