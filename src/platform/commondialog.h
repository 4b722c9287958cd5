#pragma once

#include <QString>
#include <QWidget>

namespace platform {

// The file-open dialog component: an invisible control that shows a modal, non-native open
// dialog listing all files, and keeps the last chosen file when the user cancels.
class CommonDialog : public QWidget {
public:
    CommonDialog(const QString &name, QWidget *parent);

    QString InitDir() const { return initDir_; }
    void setInitDir(const QString &dir) { initDir_ = dir; }
    QString FileName() const { return fileName_; }
    // The file the next dialog starts at, as if the user had chosen it.
    void setFileName(const QString &file) { fileName_ = file; }

    void ShowOpen();

private:
    QString initDir_;
    QString fileName_;
};

} // namespace platform
