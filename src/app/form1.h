#pragma once

// The window room (tintara_app), above the about box, the histogram window, the platform and
// the pipeline: Form1 builds its controls from the layout table (layout.h), keeps them private,
// and its handlers gather the controls' state, call the pipeline and the core, and show what
// they return; its scans read the pipeline's stage of the picture shown, as the batch's do. The
// tests and main use only the public members below; failures come back as Results and are
// worded for the user by failureText(). Logging: tintara.app.

#include "about/frmabout.h"
#include "app/layout.h"
#include "core/channel.h"
#include "core/channelscan.h"
#include "core/colour.h"
#include "core/coloursurface.h"
#include "core/measurements.h"
#include "core/pixelreduction.h"
#include "core/recipe.h"
#include "histogramwindow/frmframes.h"
#include "histogramwindow/frmhistogram.h"
#include "overlaywindow/frmoverlay.h"
#include "picture/frames.h"
#include "picture/picture.h"
#include "pipeline/pipeline.h"
#include "platform/backgroundload.h"
#include "platform/buttons.h"
#include "platform/combobox.h"
#include "platform/commondialog.h"
#include "platform/imagecontrol.h"
#include "platform/label.h"
#include "platform/picturebox.h"
#include "platform/scrollbar.h"
#include "platform/shape.h"

#include <QButtonGroup>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QWidget>
#include <functional>

// The main window. It owns every control; its handlers read the controls, call the
// subsystems' pure functions and write the results back.
class QUndoStack;

class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // Start-up sequence: thresholds, preview sizes, selection types, frame, dialog folder.
    void Form_Load();
    void Form_Unload();

    // Loads a picture as Load does with that file chosen in its dialog (a file named on the
    // command line or dropped on the window).
    void loadFile(const QString &path);
    // The same without any message; fails, saying why, when the file is refused. `knownHash` is
    // the file's hash where the caller has taken it already (the batch, for its reruns).
    Result<void> openFile(const QString &path, const QString &knownHash = {});

    // What "Save As PNG..." suggests and writes for a view (red, green, blue or zoom): the file
    // name, and the view's pixels with how they were made.
    QString resultName(View view);
    // Fails with no reason where the user cancelled the reading of a large picture's hash.
    Result<void> saveResult(View view, const QString &path);
    // What Copy and Save As give for a view: a plane's blocks, one pixel each and nothing
    // around them (its blank interior before any command); the zoom box at its own size.
    QImage resultImage(View view) const;
    // The picture now shown, as a saved plane records it, with its hash as far as it is known.
    results::Source source() const;
    // The same with the hash, taken now when no record needed it before (with a progress window
    // and Cancel for a large file): none where the user cancelled. The hash stays unknown where
    // the file has been written since it was loaded.
    std::optional<results::Source> recordedSource();

    // The commands, as their buttons run them.
    enum class Command { None, Rgb, Threshold, Reduction };
    void runCommand(Command command);
    // Sets the preview size, the rates, the bands, the type and Overlap as a user would, the x
    // rate before the y rate and each minimum before its maximum; `typed` is the type's text
    // where the recipe's is typed. A channel's automatic method stays recorded for as long as
    // its minimum stays. The size takes effect at the next load.
    void apply(const results::Recipe &recipe, const QString &typed = {});
    // Back to what a new window shows: planes and zoom box erased, no option chosen, no command
    // to run again. The controls keep their values.
    void clearResults();
    // Shows a channel's plane in the zoom box, as its option does.
    void zoomPlane(Channel channel);
    // Sets a channel's minimum to the method's threshold for the block values of the picture
    // now shown, as the histogram window's Apply does; none, and nothing changed, where the
    // method has no threshold.
    std::optional<int> applyAutomatic(Channel channel, histogram::Method method);
    // What the last threshold scan marked; nothing (all counts 0) after any other command,
    // after CLEAR and before the first scan.
    const scan::Measurements &measurements() const { return measured_; }
    // A channel's band as its bars stand.
    scan::Band band(Channel channel) const;

    // The recipe of the planes now shown: the last command's settings and mode; before any
    // command, and after CLEAR, the settings as the controls stand, in the mode F5 runs.
    results::Recipe recipe() const;
    // What "Copy as Command" puts on the clipboard: the batch command that makes the planes now
    // shown from the picture now shown.
    QString batchCommand() const;
    // Opens a recipe (.tintara.json, or a saved plane) as "Open Recipe..." does with that file
    // chosen: its settings set as a user would, as one step of the history, and its command
    // run on the picture shown; the window offers to load its picture. A file that holds no
    // recipe is loaded as a picture.
    void openRecipe(const QString &path);
    // The settings' history: each change of a setting, a burst of them, or an automatic
    // threshold or a recipe taken, as one step.
    QUndoStack *history() const { return history_; }

    // The colour the client area shows at a client pixel as rendered now, -1 outside it.
    core::Colour Point(float x, float y);

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Gap between the preview frame and the preview.
    short margine = 0;

    // One member per control of the layout table, named as the table names it.
#define TINTARA_MEMBER(name, kind, ...) layout::WidgetOf<layout::Kind::kind>::type *name = nullptr;
    TINTARA_FORM1_CONTROLS(TINTARA_MEMBER)
#undef TINTARA_MEMBER
    template <class T> T *child(const char *name) const
    {
        return findChild<T *>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    }

    // Handlers, named after their control and event.
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command7_Click();
    void Command8_Click();
    void Combo1_Click();
    void HScroll4_Change();
    void HScroll8_Change();
    QWidget *make(const layout::Control &control);
    QWidget *described(const layout::Control &control);
    void buildControls();
    void describeControls();
    void wireEvents();

    void loadChosenFile();
    void placePicture(const QString &file, const picture::Picture &picture);
    void anteprima(const QString &pathImg, const picture::Picture &picture);
    // "Copy" and "Save As PNG..." on a plane or the zoom box.
    void addResultMenu(View view);
    void copyView(View view);
    void saveBox(View view);
    platform::PictureBox *boxOf(View view);

    // One channel's controls: its threshold bars with their read-outs, its plane, the probe's
    // read-out over it and its zoom option. Filled once the controls are built.
    struct ChannelRow {
        platform::HScrollBar *minimum, *maximum;
        platform::Label *minimumReadout, *maximumReadout;
        platform::PictureBox *plane;
        platform::Label *probe;
        platform::OptionButton *zoom;
        platform::Label *local;
    };
    ChannelRow &row(Channel c)
    {
        return rows_[c];
    }
    const ChannelRow &row(Channel c) const
    {
        return rows_[c];
    }
    PerChannel<ChannelRow> rows_;
    // The window as its commands read it: the picture shown, staged as the pipeline stages it,
    // over the preview where the window lays it out.
    pipeline::Scene scene() const;
    // The settings as the controls stand, in the command's mode, at the size the picture shown
    // was loaded at.
    results::Recipe asShown(Command command) const;
    // What the command makes of the picture shown with the bars' bands, recorded with the
    // methods the minimums came from and the frame it was made of.
    pipeline::Planes made(Command command);
    void scansiona(Command command);
    void runScanCommand(Command command);
    void setRGB();
    // Gives the three planes one outer size.
    void sizePlanes(const QSizeF &size);
    void riduzione();
    void magnify(Channel channel);
    void clearOptions();
    // What each plane's colours mean after `command`, in its tooltip, and whether the planes
    // are out of date; `made` when the command has just drawn them.
    void describePlanes(Command command, bool made = true);
    // Why the planes shown (and their measurements and overlay) no longer match the settings
    // shown or the picture loaded, with how to bring them up to date; empty where they do.
    QString outOfDate() const;
    // Says it in the planes' tooltips, the histogram window's measurements and the overlay.
    void showOutOfDate();
    int placed_ = 0;        // pictures placed so far
    int scannedPlaced_ = 0; // the picture the planes shown were made from
    void minimumChanged(Channel channel);
    void maximumChanged(Channel channel);
    // The colour of the three channels' minimum (or maximum) thresholds, for its swatch.
    core::Colour swatch(platform::HScrollBar *ChannelRow::*bound) const;
    void probe(Channel channel, float x, float y);
    void takeThreshold(Channel channel);

    // What the client area shows over `region`, as rendered now; outside the client area -1.
    // The storage is kept from one command to the next.
    const core::ColourSurface &sampleWindow(const QRect &region);
    // What the scans read over `region`: the picture shown as the pipeline stages it, at the
    // size it was loaded at, whatever the desktop's colours, the window's size or the size list
    // chosen since.
    const core::ColourSurface &stage(const QRect &region)
    {
        return runner_.stage(shown_, region);
    }

    // The command that live mode runs again; none before the first and after CLEAR.
    void liveChange();
    void liveToggled(bool on);
    // Every change the live mode and the histogram window follow.
    void followChange();
    void runAgain()
    {
        rerun(last_);
    }
    void rerun(Command command);
    void addShortcuts();
    // The window's own actions, which the planes' menus offer too: Undo, Redo, the tool windows
    // and the recipes, in that order.
    QList<QAction *> tools_;
    Command last_ = Command::None;
    // The command pressed last, which F5 runs again even after CLEAR.
    Command pressed_ = Command::None;
    // Changes that arrive while a run is pending make no run of their own: the newest wins.
    QTimer *livePending_ = nullptr;

    // The histogram tool window, made on first use; its counts are redrawn once per burst of
    // changes, as the live runs are.
    void showHistogram();
    void refreshHistogram();
    void chooseBound(Channel channel, bool minimum, int value);
    scan::BlockHistograms blockHistograms();
    // A method's threshold made a channel's minimum; it is recorded with the planes for as long
    // as the minimum stays there.
    void takeAutomatic(Channel channel, histogram::Method method, int threshold);
    void tryAll(Channel channel);
    std::vector<pipeline::Trial> tryAllTiles(Channel channel);
    struct Automatic {
        histogram::Method method;
        int threshold;
    };
    PerChannel<std::optional<Automatic>> automatic_;
    // The local methods the channels' blocks are marked by, instead of their bands, and the
    // neighbourhood and parameters they take: settings the histogram window sets.
    PerChannel<std::optional<local::Method>> local_;
    local::Params localParams_;
    // A local method (none: the band again) for the channels, as one step of the history.
    void takeLocal(const QList<Channel> &channels, std::optional<local::Method> method);
    void takeLocalParams(const local::Params &params);
    // Each channel's row as its local method has it: the method over the bars, which wait.
    void showLocal();
    QPointer<frmHistogram> histogram_;
    // The overlay tool window, made on first use; it follows every scan while it is shown.
    void showOverlay();
    void refreshOverlay();
    QPointer<frmOverlay> overlay_;
    int scannedRx_ = 3, scannedRy_ = 3; // the rates of the planes now shown
    scan::Measurements measured_;
    void setMeasurements(const scan::Measurements &m);
    QTimer *histogramPending_ = nullptr;

    QButtonGroup *options_ = nullptr;
    QPointer<frmAbout> about_;
    core::ColourSurface samples_;
    pipeline::Runner runner_;
    pipeline::Preview shown_; // the picture shown, as the pipeline takes it
    QString loadedPath_;      // the picture file now shown, empty before any load
    QString loadedHash_;      // a hash of its bytes as they were loaded, once a record needed it
    picture::FileState loadedFile_; // the file as it was loaded
    int loadedSide_ = 500;          // the preview square it was fitted into
    // How each view was made: the red, green and blue planes and the zoom box.
    PerView<results::Recipe> recipes_;
    results::Recipe &recipeOf(View view)
    {
        return recipes_[view];
    }
    const results::Recipe &recipeOf(View view) const
    {
        return recipes_[view];
    }
    // The planes' blocks as the last command drew them, one pixel each; null while blank.
    PerChannel<QImage> blocks_;
    QSize loadedPicture_; // the picture's own size

    // The frames of a stack or a film: a row below the classic controls, shown only for a
    // picture of more than one frame, steps through them; the window grows to show it. Frames
    // are numbered from 1.
    void buildFrameRow();
    // Finds the frames of the picture just placed, in the background.
    void findFrames(const QString &file);
    void showFrameRow(bool shown);
    void showFrame(int number);
    void playFrames(bool on);
    QString frameCaption() const;
    // The frame the planes are made of as --frames says it: empty for a still picture.
    QString frameText() const;
    // Lays out a picture (a load's, or a frame's) and makes it the one the commands read.
    void showPicture(const picture::Picture &picture);
    std::shared_ptr<picture::Frames> frames_;
    int frame_ = 1;
    int scannedFrame_ = 0; // the frame the planes shown were made of; 0 for a still picture
    QSlider *FrameSlider = nullptr;
    QSpinBox *FrameNumber = nullptr;
    QPushButton *FramePlay = nullptr;
    QLabel *FrameLabel = nullptr;
    QTimer *framePlay_ = nullptr;
    QList<QAction *> frameKeys_;
    // The histogram window's scope for automatic methods; "this frame" without a stack.
    frmHistogram::Scope scope() const;
    // Every frame's block values together, as the scope "the whole stack's histogram" takes
    // them: counted once for a picture and a type, rates and Overlap; none where cancelled.
    std::optional<scan::BlockHistograms> stackHistograms();
    struct StackCount {
        int placed, selection, rx, ry;
        bool overlap;
        scan::BlockHistograms counted;
    };
    std::optional<StackCount> stackCount_;
    // "Measure all frames": a threshold scan of every frame, a row each.
    void measureFrames();
    QPointer<frmFrames> framesWindow_;

    // Recipes in and out.
    results::Recipe settings() const; // the controls as a recipe, in no mode
    // Connects every setting's control: before its handlers, to the history, which notes each
    // change (a control is one setting: its changes in a burst merge); after them, to the live
    // mode, for each setting that takes effect at once.
    enum class Watch { BeforeHandlers, AfterHandlers };
    void watchSettings(Watch when);
    void chooseRecipe();
    void saveRecipeAs();
    void copyCommand();
    void takeRecipe(const QString &path, const results::Recorded &recorded);
    results::Entries keptEntries_; // entries of the last recipe opened that this program skips

    // The settings' history. Every change a setting's control reports is noted before its
    // handler runs; what one event changed becomes one step when the event is done.
    struct Snapshot {
        results::Recipe settings;
        QString typed; // the type's text when typed
        friend bool operator==(const Snapshot &, const Snapshot &) = default;
    };
    class SettingsStep;
    static constexpr int NothingPending = -2, OwnStep = -1;
    Snapshot snapshot() const;
    // A change the program makes that is no step of the history (a frame's own automatic
    // minimums); the history goes on from it.
    void quietly(const std::function<void()> &change);
    void restore(const Snapshot &s);
    // The settings as they stand are where the history goes on from.
    void startHistory();
    void wireHistory();
    void noteChange(int setting);
    // What follows, until the event is done, is one step of its own, named `label`.
    void oneStep(const QString &label);
    void recordStep();
    // The settings now, a step on from `before`, unless they are the same.
    void pushStep(Snapshot before, int setting, bool burst, const QString &label);
    void undoStep();
    void redoStep();
    QUndoStack *history_ = nullptr;
    QTimer *stepPending_ = nullptr;
    Snapshot recorded_;
    int pendingSetting_ = NothingPending;
    QString pendingLabel_;
    bool restoring_ = false;
    int steps_ = 0; // bumped by every undo and redo: a step never merges across one
    QElapsedTimer sinceChange_;

    // Last, so it is destroyed first: every decode it started is stopped and waited for while
    // the rest of the window still stands.
    platform::BackgroundLoader loads_;
};
