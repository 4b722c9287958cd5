#include "about/frmabout.h"

#include "platform/fonts.h"
#include "platform/messagebox.h"
#include "platform/programstart.h"
#include "tintara/appinfo.h"

#include <QFileInfo>
#include <QFrame>

using namespace platform;

namespace {
using core::Blue;
using core::DarkYellow;

Label *aboutLabel(QWidget *parent, const char *name, const QString &text, const QFont &font,
                  core::Colour fore, float l, float t, float w, float h)
{
    auto *label = new Label(QString::fromLatin1(name), text, parent);
    label->setFont(font);
    label->setForeColor(fore);
    label->setWordWrap(true);
    label->Move(l, t, w, h);
    return label;
}
} // namespace

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent)
    , registry_(systemRegistry())
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Tintara"));
    setFixedSize(382, 237);
    setFont(msSansSerif());

    lblTitle = aboutLabel(this, "lblTitle", QStringLiteral("Titolo applicazione"),
                          msSansSerif(FontSize::Normal, true), Blue, 16, 16, 350, 20);
    lblVersion = aboutLabel(this, "lblVersion", QStringLiteral("Versione"),
                            msSansSerif(FontSize::Normal, true), Blue, 16, 40, 350, 17);
    lblDescription = aboutLabel(this, "lblDescription", QStringLiteral("Descrizione applicazione"),
                                msSansSerif(), Blue, 16, 66, 350, 36);
    Label1 = aboutLabel(this, "Label1", QString(), verdana(FontSize::Normal, true), DarkYellow, 16,
                        112, 350, 17);

    // Two lines, grey over white: an etched rule above the buttons.
    auto *rule = new QFrame(this);
    rule->setObjectName(QStringLiteral("Line1"));
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    rule->setGeometry(8, 140, 366, 2);
    Line1 = rule;

    lblDisclaimer = aboutLabel(this, "lblDisclaimer", QStringLiteral("Last Review : 24/12/2020"),
                               verdana(FontSize::Normal, true), Blue, 16, 156, 230, 34);
    cmdOK = new CommandButton(QStringLiteral("cmdOK"), QStringLiteral("OK"), this);
    cmdOK->Move(262, 156, 105, 25);
    cmdOK->setDefault(true);
    cmdSysInfo =
        new CommandButton(QStringLiteral("cmdSysInfo"), QStringLiteral("&System Info..."), this);
    cmdSysInfo->Move(262, 196, 105, 25);

    env_.registry = registry_.get();
    env_.fileExists = [](const QString &path) {
        return QFileInfo(path).isFile();
    };
    env_.startProgram = &startProgram;
    env_.message = [this](const QString &text, const QString &title) {
        MsgBox(this, text, title);
    };

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

frmAbout::~frmAbout() = default;

void frmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("Abuot ") + QLatin1String(appinfo::Title));
    lblVersion->setCaption(QStringLiteral("Versione %1.%2.%3")
                               .arg(appinfo::VersionMajor)
                               .arg(appinfo::VersionMinor)
                               .arg(appinfo::VersionRevision));
    lblTitle->setCaption(QLatin1String(appinfo::Title));
    lblDescription->setCaption(QStringLiteral(
        "Mathematical image manipulation. Extraction image outlines and edge detection"));
    Label1->setCaption(QLatin1String(appinfo::WebAddress));
}

void frmAbout::cmdOK_Click()
{
    close();
}

void frmAbout::cmdSysInfo_Click()
{
    about::StartSysInfo(env_);
}
