// Live mode: the last command follows every change of the bars and the selection type; and the
// window's keyboard shortcuts.
#include "app/form1.h"

#include <QAction>
#include <QKeySequence>
#include <QUndoStack>

using platform::HScrollBar;

void Form1::liveChange()
{
    if (CheckLive->isChecked() && last_ != Command::None)
        livePending_->start();
}

void Form1::followChange()
{
    liveChange();
    showOutOfDate();
    if (histogram_ && histogram_->isVisible())
        histogramPending_->start();
}

void Form1::liveToggled(bool on)
{
    showOutOfDate();
    // Followed live, a thumb drag reports every value it passes, not only where it ends.
    for (HScrollBar *bar :
         {HScroll1, HScroll2, HScroll3, HScroll4, HScroll5, HScroll6, HScroll7, HScroll8})
        bar->setTracking(on);
}

void Form1::rerun(Command command)
{
    livePending_->stop();
    // The zoom view is drawn again from the new plane instead of being cleared.
    QAbstractButton *zoomed = options_->checkedButton();
    runCommand(command);
    if (zoomed && command != Command::None)
        for (const Channel c : Channels)
            if (row(c).zoom == zoomed)
                zoomPlane(c);
}

void Form1::runCommand(Command command)
{
    switch (command) {
    case Command::Rgb:
        Command1_Click();
        break;
    case Command::Threshold:
        Command7_Click();
        break;
    case Command::Reduction:
        Command3_Click();
        break;
    case Command::None:
        break;
    }
}

void Form1::addShortcuts()
{
    const auto shortcut = [this](const QKeySequence &keys, auto slot) {
        auto *action = new QAction(this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
    };
    shortcut(QKeySequence::Open, [this] { Command8->click(); });
    shortcut(QKeySequence(Qt::Key_F5), [this] { rerun(pressed_); });
    // Some platforms bind no key to Quit; Ctrl+Q is what users expect there.
    const bool quitBound = !QKeySequence::keyBindings(QKeySequence::Quit).isEmpty();
    shortcut(quitBound ? QKeySequence(QKeySequence::Quit) : QKeySequence(Qt::CTRL | Qt::Key_Q),
             [this] { close(); });
    // Copy and Save act on the plane or zoom box that has the focus, through its own menu.
    for (const View view : Views) {
        const QList<QAction *> menu = boxOf(view)->actions();
        if (menu.size() >= 2) {
            menu[0]->setShortcut(QKeySequence::Copy);
            menu[1]->setShortcut(QKeySequence::Save);
            for (QAction *a : menu)
                a->setShortcutContext(Qt::WidgetShortcut);
        }
    }
    // One action each for the window and the planes' menus, so that no key is claimed twice.
    struct Tool {
        const char *text;
        QList<QKeySequence> keys;
        void (Form1::*run)();
    };
    const QKeySequence redo(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    QList<QKeySequence> redoKeys{redo};
    for (const QKeySequence &k : QKeySequence::keyBindings(QKeySequence::Redo))
        if (k != redo)
            redoKeys << k;
    const Tool tools[] = {
        {"Undo", QKeySequence::keyBindings(QKeySequence::Undo), &Form1::undoStep},
        {"Redo", redoKeys, &Form1::redoStep},
        {"Histogram...", {QKeySequence(Qt::CTRL | Qt::Key_H)}, &Form1::showHistogram},
        {"Overlay...", {QKeySequence(Qt::CTRL | Qt::Key_E)}, &Form1::showOverlay},
        {"Open Recipe...", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)}, &Form1::chooseRecipe},
        {"Save Recipe...", {}, &Form1::saveRecipeAs},
        {"Copy as Command", {}, &Form1::copyCommand},
    };
    for (const Tool &t : tools) {
        auto *tool = new QAction(QLatin1String(t.text), this);
        tool->setShortcuts(t.keys);
        tool->setShortcutContext(Qt::WindowShortcut);
        connect(tool, &QAction::triggered, this, t.run);
        addAction(tool);
        for (const ChannelRow &r : rows_)
            r.plane->addAction(tool);
        tools_ << tool;
    }
    // Undo and Redo are offered only when there is a step to take.
    tools_[0]->setEnabled(false);
    tools_[1]->setEnabled(false);
    connect(history_, &QUndoStack::canUndoChanged, tools_[0], &QAction::setEnabled);
    connect(history_, &QUndoStack::canRedoChanged, tools_[1], &QAction::setEnabled);
}
