#include "platform/commondialog.h"

#include "picture/formats.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QLineEdit>
#include <set>

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

// Every suffix a picture that loads may have: Qt's readers' and the formats read beside them.
QString allPictures()
{
    std::set<QString> suffixes;
    for (const QByteArray &format : QImageReader::supportedImageFormats())
        suffixes.insert(QString::fromLatin1(format).toLower());
    for (const QString &suffix : picture::extraSuffixes())
        suffixes.insert(suffix);
    suffixes.insert(QStringLiteral("jpeg"));
    suffixes.insert(QStringLiteral("tif"));
    QStringList patterns;
    for (const QString &suffix : suffixes)
        patterns << QStringLiteral("*.") + suffix;
    return QStringLiteral("All pictures (%1)").arg(patterns.join(QLatin1Char(' ')));
}

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
    // Every file is listed, whatever its name: a picture is known by its content. Those who
    // want only the usual names of pictures may choose so.
    dialog.setNameFilters({QStringLiteral("All files (*)"), allPictures()});
    dialog.selectNameFilter(QStringLiteral("All files (*)"));
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
