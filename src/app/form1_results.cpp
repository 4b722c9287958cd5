// What the planes and the zoom box show, copied or saved as PNG on the user's request.
#include "app/form1.h"

#include "app/logging.h"
#include "core/overlay.h"
#include "picture/pngwriter.h"
#include "platform/messagebox.h"
#include "platform/savedialog.h"
#include "platform/toolwindow.h"
#include "tintara/appinfo.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>

using platform::PictureBox;

void Form1::addResultMenu(View view)
{
    PictureBox *box = boxOf(view);
    // The right button, the Menu key and Shift+F10 all open it; the left button keeps its click.
    // The keys reach a box that has the focus, so the boxes are on the Tab path too.
    box->setContextMenuPolicy(Qt::ActionsContextMenu);
    box->setFocusPolicy(Qt::StrongFocus);
    auto *copy = new QAction(QStringLiteral("Copy"), box);
    connect(copy, &QAction::triggered, this, [this, view] { copyView(view); });
    auto *save = new QAction(QStringLiteral("Save As PNG..."), box);
    connect(save, &QAction::triggered, this, [this, view] { saveBox(view); });
    box->addAction(copy);
    box->addAction(save);
}

void Form1::copyView(View view)
{
    QGuiApplication::clipboard()->setImage(resultImage(view));
}

QImage Form1::resultImage(View view) const
{
    if (view == View::Zoom)
        return Immagine->surface();
    const auto channel = static_cast<Channel>(view);
    const QImage &blocks = blocks_[channel];
    return blocks.isNull() ? row(channel).plane->surface() : blocks;
}

PictureBox *Form1::boxOf(View view)
{
    return view == View::Zoom ? Immagine : row(static_cast<Channel>(view)).plane;
}

results::Source Form1::source() const
{
    results::Source s{loadedPath_.isEmpty() ? QString() : QFileInfo(loadedPath_).absoluteFilePath(),
                      loadedHash_, loadedPicture_, QLatin1String(appinfo::Version)};
    // A frame of a stack or a film, as the batch records it: the one the planes were made of.
    if (frames_) {
        s.frame = scannedFrame_ > 0 ? scannedFrame_ : frame_;
        s.time = frames_->time(s.frame - 1);
    }
    return s;
}

std::optional<results::Source> Form1::recordedSource()
{
    if (!loadedPath_.isEmpty() && loadedHash_.isEmpty()) {
        const std::optional<Result<QString>> hash = loads_.hash(this, loadedPath_, loadedFile_);
        if (!hash)
            return std::nullopt;
        if (*hash)
            loadedHash_ = **hash;
        else
            qCInfo(lcApp) << "no hash of" << loadedPath_ << hash->error();
    }
    return source();
}

QString Form1::resultName(View view)
{
    // A frame's planes are named as the batch names them.
    QString stem = QFileInfo(loadedPath_).completeBaseName();
    if (!recipeOf(view).frames.isEmpty() && scannedFrame_ > 0)
        stem += QStringLiteral("-f%1").arg(scannedFrame_, 5, 10, QLatin1Char('0'));
    return results::suggestedName(stem, viewName(view), recipeOf(view));
}

Result<void> Form1::saveResult(View view, const QString &path)
{
    const QFileInfo target(path), picture(loadedPath_);
    if (!loadedPath_.isEmpty() && target.exists() &&
        target.canonicalFilePath() == picture.canonicalFilePath())
        return Failure{QStringLiteral("This is the loaded picture; it is never written over.")};
    std::optional<results::Source> from = recordedSource();
    if (!from)
        return Failure{};
    // The zoom box's pixels are no blocks: its record places none.
    if (view == View::Zoom)
        from->picture = {};
    return picture::savePng(resultImage(view), path, results::describe(*from, recipeOf(view)));
}

void Form1::saveBox(View view)
{
    QString folder = QFileInfo(loadedPath_).absolutePath();
    if (loadedPath_.isEmpty() || !QFileInfo(folder).isWritable())
        folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QString path = platform::askSaveFileName(this, QDir(folder).filePath(resultName(view)));
    if (path.isEmpty())
        return;
    if (const Result<void> saved = saveResult(view, path); !saved && !saved.error().isEmpty()) {
        qCInfo(lcApp) << "not saved" << path << saved.error();
        platform::MsgBox(
            this, failureText(QStringLiteral("Cannot save the picture"), path, saved.error()),
            QLatin1String(appinfo::Title), QMessageBox::Warning);
    }
}

void Form1::showOverlay()
{
    if (!overlay_)
        overlay_ = new frmOverlay(this);
    platform::showToolWindow(overlay_);
    refreshOverlay();
}

void Form1::refreshOverlay()
{
    if (!overlay_ || !overlay_->isVisible())
        return;
    // The preview as the scan reads it: the grid's first block starts at its top-left pixel.
    const pipeline::Scene shown = this->scene();
    const QRect preview(shown.first, QSize(static_cast<int>(float(shown.size.width())),
                                           static_cast<int>(float(shown.size.height()))));
    OverlayScene scene;
    core::ColourSurface pixels;
    shown.read(preview, pixels);
    scene.picture = overlay::imageOf(pixels);
    scene.measured = measured_;
    // Marks only where the planes now shown are a threshold scan's.
    if (measured_.any.tested > 0) {
        const QImage &blocks = blocks_[Channel::Red];
        scene.grid = {blocks.width(), blocks.height(), scannedRx_, scannedRy_};
        for (const Channel c : Channels)
            scene.marks[c] = overlay::marksOf(blocks_[c], c);
    }
    const results::Recipe &recipe = recipeOf(View::Red);
    QString folder = QFileInfo(loadedPath_).absolutePath();
    if (loadedPath_.isEmpty() || !QFileInfo(folder).isWritable())
        folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    scene.name = QDir(folder).filePath(results::suggestedName(
        QFileInfo(loadedPath_).completeBaseName(), QStringLiteral("overlay"), recipe));
    // Its pixels are the preview's, not blocks: its record places none. Made when a copy is
    // saved, which is when the picture's hash is wanted.
    scene.record = [this, recipe]() -> std::optional<results::Entries> {
        std::optional<results::Source> from = recordedSource();
        if (!from)
            return std::nullopt;
        from->picture = {};
        return results::describe(*from, recipe);
    };
    overlay_->setScene(scene);
    overlay_->setOutOfDate(outOfDate());
}
