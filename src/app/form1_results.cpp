// What the planes and the zoom box show, copied or saved as PNG on the user's request.
#include "app/form1.h"

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

void Form1::addResultMenu(PictureBox *box, const QString &view)
{
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

results::Recipe &Form1::recipeOf(const PictureBox *box)
{
    const PictureBox *boxes[] = {Picture4, Picture3, Picture2, Immagine};
    for (int i = 0; i < 3; ++i)
        if (boxes[i] == box)
            return recipes_[i];
    return recipes_[3];
}

void Form1::copyBox(const PictureBox *box)
{
    QGuiApplication::clipboard()->setImage(box->surface());
}

PictureBox *Form1::boxOf(const QString &view)
{
    if (view == QLatin1String("red"))
        return Picture4;
    if (view == QLatin1String("green"))
        return Picture3;
    if (view == QLatin1String("blue"))
        return Picture2;
    return Immagine;
}

results::Source Form1::source() const
{
    return {loadedPath_.isEmpty() ? QString() : QFileInfo(loadedPath_).absoluteFilePath(),
            loadedHash_, loadedSide_, QLatin1String(appinfo::Version)};
}

QString Form1::resultName(const QString &view)
{
    return results::suggestedName(QFileInfo(loadedPath_).completeBaseName(), view,
                                  recipeOf(boxOf(view)));
}

QString Form1::saveResult(const QString &view, const QString &path)
{
    const QFileInfo target(path), picture(loadedPath_);
    if (!loadedPath_.isEmpty() && target.exists() &&
        target.canonicalFilePath() == picture.canonicalFilePath())
        return QStringLiteral("This is the loaded picture; it is never written over.");
    const PictureBox *box = boxOf(view);
    return picture::savePng(box->surface(), path, results::describe(source(), recipeOf(box)));
}

void Form1::saveBox(const QString &view)
{
    QString folder = QFileInfo(loadedPath_).absolutePath();
    if (loadedPath_.isEmpty() || !QFileInfo(folder).isWritable())
        folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QString path = platform::askSaveFileName(this, QDir(folder).filePath(resultName(view)));
    if (path.isEmpty())
        return;
    if (const QString error = saveResult(view, path); !error.isEmpty())
        platform::MsgBox(this,
                         QStringLiteral("Cannot save the picture\n%1\n\n%2")
                             .arg(QDir::toNativeSeparators(path), error),
                         QLatin1String(appinfo::Title), QMessageBox::Warning);
}
