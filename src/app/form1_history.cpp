// Undo and redo over the settings: each change a user makes is one step of the history, a thumb
// drag or a burst of presses on one control is one step, and so is an automatic threshold or a
// recipe taken.
#include "app/form1.h"

#include <QUndoStack>

namespace {
// Changes of one control closer together than this are one burst, one step.
constexpr qint64 BurstMs = 1000;
// Far more steps than anyone takes back; a batch's windows record none.
constexpr int KeptSteps = 1000;
} // namespace

class Form1::SettingsStep : public QUndoCommand {
public:
    SettingsStep(Form1 *form, const Snapshot &before, const Snapshot &after, int setting,
                 bool burst, const QString &label)
        : form_(form)
        , before_(before)
        , after_(after)
        , setting_(setting)
        , serial_(form->steps_)
        , burst_(burst)
        , label_(label)
    {
        name();
    }

    // Steps of a control merge; own steps (automatic thresholds, recipes) never do.
    int id() const override { return setting_ == OwnStep ? -1 : 1; }
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const SettingsStep *>(other);
        if (next->setting_ != setting_ || next->serial_ != serial_ || !next->burst_)
            return false;
        after_ = next->after_;
        name();
        // A burst that ends where it began is no step at all.
        setObsolete(before_ == after_);
        return true;
    }
    void undo() override { form_->restore(before_); }
    void redo() override
    {
        // Pushed after the change was made: the first redo has nothing to do.
        if (!done_)
            done_ = true;
        else
            form_->restore(after_);
    }

private:
    void name()
    {
        QString change = results::describeChange(before_.settings, after_.settings);
        if (change.isEmpty())
            change = QStringLiteral("Type \"%1\"").arg(after_.typed);
        setText(label_.isEmpty() ? change : QStringLiteral("%1: %2").arg(label_, change));
    }

    Form1 *form_;
    Snapshot before_, after_;
    int setting_;
    int serial_;
    bool burst_;
    QString label_;
    bool done_ = false;
};

Form1::Snapshot Form1::snapshot() const
{
    Snapshot s{settings(), {}};
    if (s.settings.selection == scan::None)
        s.typed = Combo2->Text();
    return s;
}

void Form1::restore(const Snapshot &s)
{
    restoring_ = true;
    apply(s.settings, s.typed);
    restoring_ = false;
    startHistory();
}

void Form1::startHistory()
{
    recorded_ = snapshot();
    pendingSetting_ = NothingPending;
    pendingLabel_.clear();
    stepPending_->stop();
    ++steps_;
}

void Form1::wireHistory()
{
    history_ = new QUndoStack(this);
    history_->setUndoLimit(KeptSteps);
    stepPending_ = new QTimer(this);
    stepPending_->setObjectName(QStringLiteral("stepPending"));
    stepPending_->setSingleShot(true);
    stepPending_->setInterval(0);
    connect(stepPending_, &QTimer::timeout, this, &Form1::recordStep);
    // Before the handlers: a change that makes another (a minimum reopening its maximum, the x
    // rate dragging the y rate) is noted as the one the user made.
    watchSettings(Watch::BeforeHandlers);
}

void Form1::noteChange(int setting)
{
    if (restoring_)
        return;
    if (pendingSetting_ == NothingPending)
        pendingSetting_ = setting;
    stepPending_->start();
}

void Form1::quietly(const std::function<void()> &change)
{
    const bool was = restoring_;
    restoring_ = true;
    change();
    restoring_ = was;
    recorded_ = snapshot();
}

void Form1::oneStep(const QString &label)
{
    if (restoring_)
        return;
    // Changes already noted in this event belong to it.
    pendingSetting_ = OwnStep;
    pendingLabel_ = label;
    stepPending_->start();
}

void Form1::recordStep()
{
    stepPending_->stop();
    const int setting = pendingSetting_;
    const QString label = pendingLabel_;
    pendingSetting_ = NothingPending;
    pendingLabel_.clear();
    if (setting == NothingPending || snapshot() == recorded_)
        return;
    // A thumb held down, or presses in quick succession, go on the step before.
    const bool held = std::any_of(std::begin(rows_), std::end(rows_),
                                  [](const ChannelRow &r) {
                                      return r.minimum->isSliderDown() || r.maximum->isSliderDown();
                                  }) ||
                      HScroll4->isSliderDown() || HScroll8->isSliderDown();
    const bool burst = held || (sinceChange_.isValid() && sinceChange_.elapsed() < BurstMs);
    sinceChange_.start();
    pushStep(recorded_, setting, burst, label);
}

void Form1::pushStep(Snapshot before, int setting, bool burst, const QString &label)
{
    const Snapshot now = snapshot();
    recorded_ = now;
    if (!(now == before))
        history_->push(new SettingsStep(this, before, now, setting, burst, label));
}

void Form1::undoStep()
{
    recordStep();
    history_->undo();
}

void Form1::redoStep()
{
    recordStep();
    history_->redo();
}
