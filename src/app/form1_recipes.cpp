// Recipes in and out of the window: opened from a .tintara.json file or a saved plane, saved as
// JSON, copied as the batch command that makes the same planes.
#include "app/form1.h"

#include "app/logging.h"
#include "core/quoting.h"
#include "picture/recipefile.h"
#include "platform/messagebox.h"
#include "platform/savedialog.h"
#include "tintara/appinfo.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QUndoStack>

namespace {

const QString RecipeFilter =
    QStringLiteral("Recipes and saved planes (*.tintara.json *.json *.png)");

bool sameFile(const QString &a, const QString &b)
{
    return !a.isEmpty() && !b.isEmpty() &&
           QFileInfo(a).canonicalFilePath() == QFileInfo(b).canonicalFilePath();
}

} // namespace

results::Recipe Form1::recipe() const
{
    if (last_ != Command::None)
        return recipeOf(last_ == Command::Reduction ? View::Blue : View::Red);
    results::Recipe r = asShown(pressed_);
    if (loadedPath_.isEmpty())
        r.size = settings().size;
    r.frames = frameText();
    return r;
}

QString Form1::batchCommand() const
{
    QStringList words{QStringLiteral("tintara"), QStringLiteral("--batch")};
    words << results::batchArguments(recipe());
    for (const Channel c : Channels)
        if (row(c).zoom->isChecked())
            words << QStringLiteral("--zoom") << channelName(c).left(1);
    if (!loadedPath_.isEmpty())
        words << QFileInfo(loadedPath_).absoluteFilePath();
    return results::shellQuoted(words);
}

void Form1::copyCommand()
{
    QGuiApplication::clipboard()->setText(batchCommand());
}

void Form1::saveRecipeAs()
{
    QString folder = QFileInfo(loadedPath_).absolutePath();
    if (loadedPath_.isEmpty() || !QFileInfo(folder).isWritable())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const results::Recipe r = recipe();
    const QString name = QStringLiteral("%1-%2-%3x%4.tintara.json")
                             .arg(loadedPath_.isEmpty() ? QStringLiteral("tintara")
                                                        : QFileInfo(loadedPath_).completeBaseName(),
                                  results::selectionName(r.selection))
                             .arg(r.rx)
                             .arg(r.ry);
    const QString path = platform::askSaveFileName(this, QDir(folder).filePath(name),
                                                   QStringLiteral("Recipes (*.tintara.json)"),
                                                   QStringLiteral("tintara.json"));
    if (path.isEmpty())
        return;
    const std::optional<results::Source> from = recordedSource();
    if (!from)
        return;
    // What the last recipe opened said that this program does not read goes on with it.
    const Result<void> saved =
        picture::saveRecipe(path, results::describe(*from, r) + keptEntries_);
    if (!saved) {
        qCInfo(lcApp) << "recipe not saved" << path << saved.error();
        platform::MsgBox(this,
                         failureText(QStringLiteral("Cannot save the recipe"), path, saved.error()),
                         QLatin1String(appinfo::Title), QMessageBox::Warning);
    }
}

void Form1::chooseRecipe()
{
    QString folder = QFileInfo(loadedPath_).absolutePath();
    if (loadedPath_.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QString path =
        platform::askOpenFileName(this, QStringLiteral("Open Recipe"), folder, RecipeFilter);
    if (!path.isEmpty())
        openRecipe(path);
}

void Form1::openRecipe(const QString &path)
{
    const Result<std::optional<results::Recorded>> read = picture::readRecipe(path);
    if (!read) {
        qCInfo(lcApp) << "recipe refused" << path << read.error();
        platform::MsgBox(this,
                         failureText(QStringLiteral("Cannot open the recipe"), path, read.error()),
                         QLatin1String(appinfo::Title), QMessageBox::Warning);
        return;
    }
    if (!*read)
        return loadFile(path);
    takeRecipe(path, **read);
}

void Form1::takeRecipe(const QString &path, const results::Recorded &recorded)
{
    const QString title = QLatin1String(appinfo::Title);
    // Its picture: beside it, as saved planes are, or where it was.
    const QString recordedPath = recorded.source.path;
    QString picture;
    if (!recordedPath.isEmpty()) {
        const QString beside = QFileInfo(path).dir().filePath(QFileInfo(recordedPath).fileName());
        if (QFileInfo(beside).isFile())
            picture = beside;
        else if (QFileInfo(recordedPath).isAbsolute() && QFileInfo(recordedPath).isFile())
            picture = recordedPath;
    }
    bool load = false;
    if (!recordedPath.isEmpty() && picture.isEmpty()) {
        const QString why = QStringLiteral("The picture it was made from, %1, is not there. "
                                           "Apply its settings to the picture shown?")
                                .arg(QDir::toNativeSeparators(recordedPath));
        if (platform::Ask(
                this, failureText(QStringLiteral("The recipe's picture is gone"), path, why), title,
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
            return;
    } else if (!picture.isEmpty() && !sameFile(picture, loadedPath_)) {
        const QMessageBox::StandardButton answer = platform::Ask(
            this,
            QStringLiteral("%1\n\nLoad the picture it was made from too?\n\n%2")
                .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(picture)),
            title, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel)
            return;
        load = answer == QMessageBox::Yes;
    }

    // One step, whatever it sets; the load itself is not undone.
    recordStep();
    const Snapshot before = recorded_;
    const results::Recipe &r = recorded.recipe;
    restoring_ = true;
    Combo1->setListIndex((r.size - 200) / 100);
    restoring_ = false;
    if (load) {
        loadFile(picture);
        // Refused (its message said why) or cancelled: the window stays as it was.
        if (!sameFile(loadedPath_, picture)) {
            restore(before);
            return;
        }
    }
    restoring_ = true;
    apply(r, results::selectionName(r.selection));
    // A method finds its own threshold for the picture shown, as Apply would; one that finds
    // none leaves the recipe's band, taken as set by hand.
    for (auto &a : automatic_)
        a.reset();
    if (!loadedPath_.isEmpty())
        for (const Channel c : Channels)
            if (const auto &method = r.automatic[c])
                applyAutomatic(c, *method);
    keptEntries_ = recorded.unknown;
    restoring_ = false;
    if (!loadedPath_.isEmpty())
        rerun(r.reduction ? Command::Reduction : r.threshold ? Command::Threshold : Command::Rgb);
    pushStep(before, OwnStep, false, QStringLiteral("Recipe %1").arg(QFileInfo(path).fileName()));
}
