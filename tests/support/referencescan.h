#pragma once

#include "core/channelscan.h"
#include "core/coloursurface.h"

// The block scan written the plain way: every sample through a point read, split into
// components through hex text, every block colour composed as hex text. The fast scan must
// give the same planes.
scan::ScanPlanes referenceScan(const core::ColourSurface &surface, const scan::ScanParams &p);
