#pragma once

#include "core/channelscan.h"

// The controls a picture's planes depend on, besides the picture and the command: what a batch
// sets once and every picture then shares.
struct ScanSetup {
    int size = 500; // side of the preview square: 200, 300, 400 or 500
    int rx = 3, ry = 3;
    int selection = scan::Average;
    PerChannel<scan::Band> bands;
    bool overlap = false;
};
