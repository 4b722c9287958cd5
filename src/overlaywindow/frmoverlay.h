#pragma once

// The overlay room (tintara_overlaywindow), above the platform: the tool window that lays the
// last threshold scan's marked blocks over the picture. It shows what it is given, and copies
// and saves what it shows. Logging: tintara.overlaywindow.

#include "core/measurements.h"
#include "core/overlay.h"

#include <QList>
#include <QPair>
#include <QWidget>
#include <functional>
#include <optional>

class OverlayView;
class QCheckBox;
class QComboBox;
class QLabel;
class QScrollArea;
class QSlider;
class QToolButton;

// What the overlay is drawn from: the picture as the last scan saw it, its block grid, each
// channel's marked blocks and their counts; the name "Save As PNG..." suggests and the record a
// saved copy carries.
struct OverlayScene {
    QImage picture;
    overlay::Grid grid;
    PerChannel<overlay::Marks> marks;
    scan::Measurements measured;
    QString name;
    // What a saved copy records of how it was made, taken when it is saved; none when the
    // user cancelled that.
    std::function<std::optional<QList<QPair<QString, QString>>>()> record;
};

class frmOverlay : public QWidget {
    Q_OBJECT
public:
    explicit frmOverlay(QWidget *owner);

    void setScene(const OverlayScene &scene);
    // Says, under the counts, why the marks no longer match the settings shown; empty where
    // they do.
    void setOutOfDate(const QString &note);
    // The picture with the overlay, at the picture's own size, as Copy and Save write it.
    QImage composed() const { return composed_; }
    // How it was drawn, as a saved copy records it; none where the user cancelled.
    std::optional<QList<QPair<QString, QString>>> record() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void recompose();
    void rescale();
    void chooseColour(Channel channel);
    void copy();
    void save();

    OverlayScene scene_;
    QString outOfDate_;
    void showCounts();
    QImage composed_;
    PerChannel<QColor> colours_;
    PerChannel<QCheckBox *> shown_;
    PerChannel<QToolButton *> swatches_;
    QSlider *opacity_ = nullptr;
    QCheckBox *outline_ = nullptr;
    QComboBox *zoom_ = nullptr;
    QScrollArea *scroll_ = nullptr;
    OverlayView *view_ = nullptr;
    QLabel *counts_ = nullptr;
};
