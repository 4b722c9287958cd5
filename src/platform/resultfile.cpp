#include "platform/resultfile.h"

#include <QFileDialog>
#include <QImageWriter>
#include <QSaveFile>

namespace platform {

QString askSaveFileName(QWidget *parent, const QString &suggested)
{
    QFileDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("PNG pictures (*.png)"));
    dialog.setDefaultSuffix(QStringLiteral("png"));
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString savePng(const QImage &image, const QString &path,
                const QList<QPair<QString, QString>> &texts)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    QImage tagged = image; // shares the pixels; the texts travel with the picture
    for (const auto &[key, value] : texts)
        tagged.setText(key, value);
    QImageWriter writer(&file, "png");
    if (!writer.write(tagged)) {
        file.cancelWriting();
        return writer.errorString();
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

} // namespace platform
