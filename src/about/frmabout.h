#pragma once

// The about room (tintara_about), above the platform: the about box and the start of the
// system-information program through the registry. Logging: tintara.about.

#include "about/sysinfo.h"
#include "platform/buttons.h"
#include "platform/label.h"

#include <QDialog>
#include <memory>

// The about box: title, version, description and the maker's address, and a button that
// starts the system's information program. It is built afresh each time it is opened.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);
    ~frmAbout() override;

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

    // Replaces the registry, file test, program start and message used by "System Info...".
    void setSysInfoEnvironment(const about::SysInfoEnvironment &env) { env_ = env; }

    platform::Label *lblTitle, *lblVersion, *lblDescription, *lblDisclaimer, *Label1;
    QWidget *Line1;
    platform::CommandButton *cmdOK, *cmdSysInfo;

private:
    std::unique_ptr<platform::Registry> registry_;
    about::SysInfoEnvironment env_;
};
