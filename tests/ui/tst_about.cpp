// The about box, opened from the main window.
#include "about/frmabout.h"
#include "support/form1driver.h"
#include "support/modalscript.h"
#include "support/nosysinfo.h"
#include "support/pictures.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>

using namespace platform;
using namespace core;

namespace {
int aboutBoxes()
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        n += w->objectName() == QLatin1String("frmAbout") ? 1 : 0;
    return n;
}
} // namespace

class TestAbout : public QObject {
    Q_OBJECT
private slots:
    void designAndLoadedTexts();
    void oneBoxAtATime();
    void okAndReopenLoadAfresh();
    void escapeClosesIt();
    void closingTheMainWindowLeavesItOpen();
    void sysInfoFailureShowsTheMessageAndKeepsTheBox();
};

void TestAbout::designAndLoadedTexts()
{
    frmAbout box;
    QCOMPARE(box.windowTitle(), QStringLiteral("About Tintara"));
    QCOMPARE(box.lblTitle->Caption(), QStringLiteral("Titolo applicazione"));
    QCOMPARE(box.lblDisclaimer->Caption(), QStringLiteral("Last Review : 24/12/2020"));
    QCOMPARE(box.size(), QSize(382, 237));
    box.Form_Load();
    QCOMPARE(box.windowTitle(), QStringLiteral("Abuot Tintara 3.0"));
    QCOMPARE(box.lblVersion->Caption(), QStringLiteral("Versione 3.0.0"));
    QCOMPARE(box.lblTitle->Caption(), QStringLiteral("Tintara 3.0"));
    QCOMPARE(box.lblDescription->Caption(),
             QStringLiteral(
                 "Mathematical image manipulation. Extraction image outlines and edge detection"));
    Form1Driver form;
    QVERIFY(form.windowTitle().endsWith(box.Label1->Caption()));
    QCOMPARE(box.lblDisclaimer->Caption(), QStringLiteral("Last Review : 24/12/2020"));
    QCOMPARE(box.cmdSysInfo->text(), QStringLiteral("&System Info..."));
    QVERIFY(box.cmdOK->isDefault());
    QCOMPARE(box.Label1->ForeColor(), RGB(192, 192, 0));
    QCOMPARE(box.lblTitle->ForeColor(), RGB(0, 0, 255));
    QVERIFY(box.lblVersion->font().bold());
    QVERIFY(!box.lblDescription->font().bold());
    QCOMPARE(box.lblDisclaimer->font().family(), QStringLiteral("Verdana"));
    QCOMPARE(box.Line1->objectName(), QStringLiteral("Line1"));
}

void TestAbout::oneBoxAtATime()
{
    Form1Driver form;
    form.button(Button::About)->click();
    QVERIFY(testpics::aboutBox());
    QVERIFY(testpics::aboutBox()->isVisible());
    QVERIFY(!testpics::aboutBox()->parentWidget()); // no owner
    QVERIFY(!testpics::aboutBox()->isModal());
    frmAbout *first = testpics::aboutBox();
    form.button(Button::About)->click();
    QCOMPARE(testpics::aboutBox(), first);
    QCOMPARE(aboutBoxes(), 1);
    first->cmdOK->click();
    QTRY_COMPARE(aboutBoxes(), 0);
}

void TestAbout::okAndReopenLoadAfresh()
{
    Form1Driver form;
    form.button(Button::About)->click();
    QPointer<frmAbout> first = testpics::aboutBox();
    first->lblTitle->setCaption(QStringLiteral("changed"));
    first->cmdOK->click();
    QTRY_VERIFY(first.isNull()); // destroyed, not hidden
    QVERIFY(!testpics::aboutBox());
    form.button(Button::About)->click();
    QVERIFY(testpics::aboutBox());
    QCOMPARE(testpics::aboutBox()->lblTitle->Caption(), QStringLiteral("Tintara 3.0"));
    QCOMPARE(testpics::aboutBox()->windowTitle(), QStringLiteral("Abuot Tintara 3.0"));
    testpics::aboutBox()->close();
    QTRY_COMPARE(aboutBoxes(), 0);
}

void TestAbout::escapeClosesIt()
{
    Form1Driver form;
    form.button(Button::About)->click();
    QPointer<frmAbout> box = testpics::aboutBox();
    QVERIFY(QTest::qWaitForWindowExposed(box));
    QTest::keyClick(box, Qt::Key_Escape);
    QTRY_VERIFY(box.isNull());
}

void TestAbout::closingTheMainWindowLeavesItOpen()
{
    auto *form = new Form1Driver;
    form->button(Button::About)->click();
    QPointer<frmAbout> box = testpics::aboutBox();
    QVERIFY(form->close());
    QVERIFY(!form->isVisible());
    QVERIFY(box && box->isVisible());
    delete form;
    QVERIFY(box && box->isVisible());
    box->close();
    QTRY_VERIFY(box.isNull());
}

void TestAbout::sysInfoFailureShowsTheMessageAndKeepsTheBox()
{
    Form1Driver form;
    form.button(Button::About)->click();
    frmAbout *box = testpics::aboutBox();
    withoutSystemInfo(box);
    ModalScript script;
    script.acknowledgeMessage();
    box->cmdSysInfo->click();
    QVERIFY(script.done());
    QCOMPARE(script.messages(),
             QStringList{QStringLiteral(
                 "Tintara 3.0|Le informazioni sul sistema non sono attualmente disponibili.")});
    QVERIFY(testpics::aboutBox() && testpics::aboutBox()->isVisible());
    box->close();
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
