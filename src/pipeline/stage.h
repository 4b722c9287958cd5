#pragma once

// The pipeline room (tintara_pipeline), above the picture room and below every window: the whole
// path from a picture file to its planes and their files, with no widget, as the window, the
// batch and any other caller take it. Logging: tintara.pipeline.

#include "core/colour.h"
#include "core/coloursurface.h"

#include <QImage>
#include <QPoint>
#include <QRect>

namespace pipeline {

// Where the window shows a preview, and what it draws around it: the grid of blocks starts at
// the preview's top-left pixel, and blocks past its right and lower edges take in what lies
// there. Window pixels, as the main window's layout places them.
namespace stage {
// The preview's frame: a square outline of the preview's side plus twice the margin.
inline constexpr QPoint FrameAt{8, 56};
inline constexpr int FrameMargin = 10;
inline constexpr QPoint PreviewAt = FrameAt + QPoint(FrameMargin, FrameMargin);
// The outline of the thresholds, the rates and the type, right of the frame.
inline constexpr QRect Controls{536, 56, 312, 200};
inline constexpr core::Colour Outline = core::Blue;
// The window's client area, at the size it opens with, and its ground; past it nothing reads
// (-1). Planes are made on these whatever the desktop's colours or the window's size.
inline constexpr QRect Client{0, 0, 1120, 584};
inline constexpr core::Colour Ground = core::RGB(239, 239, 239);
} // namespace stage

// The rectangle `region` of the window's client area as it shows `preview` fitted into a square
// of side `side`: the ground, the frame and outlines, and the preview over them (a picture with
// transparency over the ground). Points past the client area read -1. `out` keeps its storage
// from one call to the next.
void readStage(const QImage &preview, int side, const QRect &region, core::ColourSurface &out);

} // namespace pipeline
