// What the planes and the zoom box show, copied or saved as PNG on the user's request.
#include "app/form1.h"

#include "platform/messagebox.h"
#include "platform/resultfile.h"
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
    connect(save, &QAction::triggered, this, [this, box, view] { saveBox(box, view); });
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

void Form1::saveBox(const PictureBox *box, const QString &view)
{
    const QFileInfo picture(loadedPath_);
    QString folder = picture.absolutePath();
    if (loadedPath_.isEmpty() || !QFileInfo(folder).isWritable())
        folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QString suggested = QDir(folder).filePath(
        results::suggestedName(picture.completeBaseName(), view, recipeOf(box)));
    const QString path = platform::askSaveFileName(this, suggested);
    if (path.isEmpty())
        return;
    const auto refuse = [&](const QString &why) {
        platform::MsgBox(this,
                         QStringLiteral("Cannot save the picture\n%1\n\n%2")
                             .arg(QDir::toNativeSeparators(path), why),
                         QLatin1String(appinfo::Title), QMessageBox::Warning);
    };
    const QFileInfo target(path);
    if (!loadedPath_.isEmpty() && target.exists() &&
        target.canonicalFilePath() == picture.canonicalFilePath())
        return refuse(QStringLiteral("This is the loaded picture; it is never written over."));
    if (const QString error = platform::savePng(
            box->surface(), path, results::describe(picture.fileName(), recipeOf(box)));
        !error.isEmpty())
        refuse(error);
}
