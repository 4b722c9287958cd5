#include "support/nosysinfo.h"

#include "about/frmabout.h"

#include <QMessageBox>

void withoutSystemInfo(frmAbout *box)
{
    static const auto registry = platform::standInRegistry([] { return std::string(); });
    about::SysInfoEnvironment env;
    env.registry = registry.get();
    env.fileExists = [](const QString &) {
        return false;
    };
    env.startProgram = [](const QString &) {
        return false;
    };
    env.message = [box](const QString &text, const QString &title) {
        QMessageBox m(QMessageBox::Information, title, text, QMessageBox::Ok, box);
        m.exec();
    };
    box->setSysInfoEnvironment(env);
}
