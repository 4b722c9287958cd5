#include "support/modalscript.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

ModalScript::ModalScript()
{
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, &ModalScript::poll);
    timer_.start();
}

ModalScript::~ModalScript() = default;

ModalScript &ModalScript::then(Action action)
{
    actions_.push(std::move(action));
    return *this;
}

ModalScript &ModalScript::chooseFile(const QString &path)
{
    return then([path](QWidget *w) {
        auto *dialog = qobject_cast<QFileDialog *>(w);
        Q_ASSERT(dialog);
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept();
    });
}

ModalScript &ModalScript::cancelDialog()
{
    return then([](QWidget *w) {
        if (auto *dialog = qobject_cast<QDialog *>(w))
            dialog->reject();
    });
}

ModalScript &ModalScript::acknowledgeMessage()
{
    return then([this](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        Q_ASSERT(box);
        messages_ << box->windowTitle() + QLatin1Char('|') + box->text();
        box->accept();
    });
}

ModalScript &ModalScript::answer(QMessageBox::StandardButton button)
{
    return then([this, button](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        Q_ASSERT(box && box->button(button));
        messages_ << box->windowTitle() + QLatin1Char('|') + box->text();
        box->button(button)->click();
    });
}

void ModalScript::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || modal == last_)
        return;
    // A slow load's progress window waits for its load by itself; scripts answer what follows.
    if (modal->objectName() == QLatin1String("LoadProgress"))
        return;
    last_ = modal;
    if (actions_.empty()) {
        // Nobody expected this window: note what it said and close it, so nothing hangs.
        auto *box = qobject_cast<QMessageBox *>(modal);
        unexpected_ << (box ? box->text() : modal->windowTitle());
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        return;
    }
    Action action = std::move(actions_.front());
    actions_.pop();
    ++answered_;
    action(modal);
}
