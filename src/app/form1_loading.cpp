// Loading a picture and laying out its preview.
#include "app/form1.h"

#include "app/logging.h"
#include "core/geometry.h"
#include "platform/messagebox.h"
#include "tintara/appinfo.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

using namespace platform;
using picture::LoadPicture;
using picture::LoadResult;
using picture::Picture;

void Form1::Command8_Click()
{
    CD1->ShowOpen();
    loadChosenFile();
}

void Form1::loadFile(const QString &path)
{
    CD1->setFileName(QFileInfo(path).absoluteFilePath());
    loadChosenFile();
}

void Form1::loadChosenFile()
{
    const QString file = CD1->FileName();
    const QPointer<Form1> alive(this);
    // Decode before anything is laid out, so that a file that cannot be loaded changes nothing.
    const BackgroundLoad load = loads_.load(this, file, Combo1->Text().toInt());
    if (!alive)
        return;
    // A cancelled dialog loads the file chosen last: that must be one that was loaded, not one
    // the user gave up on or that was refused.
    if (load.cancelled || !load.result)
        CD1->setFileName(loadedPath_);
    if (load.cancelled)
        return;
    const LoadResult &loaded = load.result;
    if (!loaded) {
        qCInfo(lcApp) << "refused" << file << loaded.error();
        MsgBox(this, failureText(QStringLiteral("Cannot load the picture"), file, loaded.error()),
               QLatin1String(appinfo::Title), QMessageBox::Warning);
        return;
    }
    placePicture(file, *loaded);
}

Result<void> Form1::openFile(const QString &path, const QString &knownHash)
{
    CD1->setFileName(QFileInfo(path).absoluteFilePath());
    const LoadResult loaded = LoadPicture(CD1->FileName(), Combo1->Text().toInt());
    if (!loaded)
        return loaded.failure();
    placePicture(CD1->FileName(), *loaded);
    loadedHash_ = knownHash;
    return {};
}

void Form1::placePicture(const QString &file, const Picture &picture)
{
    loadedPath_ = picture.isEmpty() ? QString() : file;
    loadedHash_.clear();
    loadedFile_ = picture.file;
    ++placed_;
    loadedSide_ = Combo1->Text().toInt();
    frames_.reset();
    frame_ = 1;
    scannedFrame_ = 0;
    showFrameRow(false);
    showPicture(picture);
    // Which picture is shown, where the window's caption, which stays as it is, cannot say.
    const QString shown = picture.isEmpty() ? QStringLiteral("No picture loaded")
                                            : QStringLiteral("%1: %2 x %3 pixels")
                                                  .arg(QFileInfo(file).fileName())
                                                  .arg(picture.size.width())
                                                  .arg(picture.size.height());
    for (QWidget *preview : {static_cast<QWidget *>(Image1), static_cast<QWidget *>(Shape1)})
        preview->setToolTip(shown);
    Image1->setAccessibleDescription(shown);
    if (!loadedPath_.isEmpty())
        findFrames(loadedPath_);
}

void Form1::showPicture(const Picture &picture)
{
    Picture1->hide();
    Picture1->setAutoSize(true);
    Picture1->setPicture(picture);
    anteprima(CD1->FileName(), picture);
    setRGB();
    loadedPicture_ = picture.size;
    shown_ = {picture, loadedSide_};
    followChange();
    // The overlay shows the new picture at once, under the marks the planes still show.
    refreshOverlay();
}

namespace {
// The first of the dragged files, if it is a local picture file (not a folder, not a page).
QString draggedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().isEmpty())
        return {};
    const QUrl first = data->urls().constFirst();
    if (!first.isLocalFile() || !QFileInfo(first.toLocalFile()).isFile())
        return {};
    return first.toLocalFile();
}
} // namespace

void Form1::dragEnterEvent(QDragEnterEvent *event)
{
    if (draggedFile(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent *event)
{
    const QString file = draggedFile(event->mimeData());
    if (file.isEmpty())
        return event->ignore();
    event->acceptProposedAction();
    // A recipe or a saved plane gives its settings; any other picture is loaded.
    openRecipe(file);
}

void Form1::anteprima(const QString &pathImg, const Picture &picture)
{
    Q_UNUSED(pathImg); // the picture was decoded from this file at the preview's size
    Image1->setLeft(static_cast<float>(margine) + Shape1->Left());
    Image1->setTop(static_cast<float>(margine) + Shape1->Top());
    const QSizeF fitted =
        geometry::previewSize(Picture1->Width(), Picture1->Height(), Combo1->Text().toDouble());
    Image1->setWidth(static_cast<float>(fitted.width()));
    Image1->setHeight(static_cast<float>(fitted.height()));
    Image1->setPicture(picture.image);
    Picture1->setPicture(Picture{});
}

void Form1::Combo1_Click()
{
    const double s = Combo1->Text().toDouble();
    const int twice = 2 * margine;
    Shape1->setWidth(static_cast<float>(s + twice));
    Shape1->setHeight(static_cast<float>(s + twice));
}
