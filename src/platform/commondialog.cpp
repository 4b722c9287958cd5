#include "platform/commondialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace platform {

CommonDialog::CommonDialog(const QString &name, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(name);
    setFixedSize(0, 0);
    hide();
}

void CommonDialog::ShowOpen()
{
    QFileDialog dialog(window());
    dialog.setObjectName(QStringLiteral("CD1Dialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!fileName_.isEmpty()) {
        dialog.setDirectory(QFileInfo(fileName_).absolutePath());
        dialog.selectFile(fileName_);
    } else if (!initDir_.isEmpty()) {
        dialog.setDirectory(initDir_);
    }
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QStringList chosen = dialog.selectedFiles();
    if (!chosen.isEmpty())
        fileName_ = chosen.constFirst();
}

} // namespace platform
