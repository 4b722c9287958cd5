#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <queue>

class QWidget;

// Answers the modal windows that a command opens, one scripted action per window, in order;
// any further modal window is closed and noted.
// Modal windows run their own event loop, so the actions run from a timer inside it.
class ModalScript : public QObject {
public:
    using Action = std::function<void(QWidget *)>;

    ModalScript();
    ~ModalScript() override;

    ModalScript &then(Action action);
    // Picks `path` in the file dialog.
    ModalScript &chooseFile(const QString &path);
    ModalScript &cancelDialog();
    // Records a message box's text and presses its OK button.
    ModalScript &acknowledgeMessage();
    // Records a question's text and presses the given button.
    ModalScript &answer(QMessageBox::StandardButton button);

    int answered() const { return answered_; }
    bool done() const { return actions_.empty(); }
    const QStringList &messages() const { return messages_; }
    // What the modal windows that no action was left for said; they were closed.
    const QStringList &unexpected() const { return unexpected_; }

private:
    void poll();

    QTimer timer_;
    std::queue<Action> actions_;
    QPointer<QWidget> last_;
    int answered_ = 0;
    QStringList messages_;
    QStringList unexpected_;
};
