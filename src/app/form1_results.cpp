// What the planes and the zoom box show, copied or saved as PNG on the user's request.
#include "app/form1.h"

#include "app/logging.h"
#include "picture/pngwriter.h"
#include "platform/messagebox.h"
#include "platform/savedialog.h"
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
    connect(copy, &QAction::triggered, this, [this, box] { copyBox(box); });
    auto *save = new QAction(QStringLiteral("Save As PNG..."), box);
    connect(save, &QAction::triggered, this, [this, view] { saveBox(view); });
    box->addAction(copy);
    box->addAction(save);
}

void Form1::copyBox(const PictureBox *box)
{
    QGuiApplication::clipboard()->setImage(box->surface());
}

PictureBox *Form1::boxOf(View view)
{
    return view == View::Zoom ? Immagine : row(static_cast<Channel>(view)).plane;
}

results::Source Form1::source() const
{
    return {loadedPath_.isEmpty() ? QString() : QFileInfo(loadedPath_).absoluteFilePath(),
            loadedHash_, loadedSide_, QLatin1String(appinfo::Version)};
}

QString Form1::resultName(View view)
{
    return results::suggestedName(QFileInfo(loadedPath_).completeBaseName(), viewName(view),
                                  recipeOf(view));
}

Result<void> Form1::saveResult(View view, const QString &path)
{
    const QFileInfo target(path), picture(loadedPath_);
    if (!loadedPath_.isEmpty() && target.exists() &&
        target.canonicalFilePath() == picture.canonicalFilePath())
        return Failure{QStringLiteral("This is the loaded picture; it is never written over.")};
    return picture::savePng(boxOf(view)->surface(), path,
                            results::describe(source(), recipeOf(view)));
}

void Form1::saveBox(View view)
{
    QString folder = QFileInfo(loadedPath_).absolutePath();
    if (loadedPath_.isEmpty() || !QFileInfo(folder).isWritable())
        folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QString path = platform::askSaveFileName(this, QDir(folder).filePath(resultName(view)));
    if (path.isEmpty())
        return;
    if (const Result<void> saved = saveResult(view, path); !saved) {
        qCInfo(lcApp) << "not saved" << path << saved.error();
        platform::MsgBox(
            this, failureText(QStringLiteral("Cannot save the picture"), path, saved.error()),
            QLatin1String(appinfo::Title), QMessageBox::Warning);
    }
}
