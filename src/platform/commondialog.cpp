#include "platform/commondialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>

namespace platform {

namespace {

// Qt's dialog reads double quotes in its name field as a list of names ("a" "b"), even when it
// can only open one; a file whose own name has quotes could then never be chosen. A name
// field that names an existing file as it stands is taken as that file.
class OpenDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;
    QString literal;

    void accept() override
    {
        const auto *edit = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        const QString typed = edit ? edit->text() : QString();
        if (typed.contains(QLatin1Char('"'))) {
            const QFileInfo file(directory(), typed);
            if (file.isFile()) {
                literal = file.absoluteFilePath();
                QDialog::accept();
                return;
            }
        }
        QFileDialog::accept();
    }
};

} // namespace

CommonDialog::CommonDialog(const QString &name, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(name);
    setFixedSize(0, 0);
    hide();
}

void CommonDialog::ShowOpen()
{
    OpenDialog dialog(window());
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
    if (!dialog.literal.isEmpty())
        fileName_ = dialog.literal;
    else if (!chosen.isEmpty())
        fileName_ = chosen.constFirst();
}

} // namespace platform
