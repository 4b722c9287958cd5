#pragma once

class frmAbout;

// Leaves the about box a machine with no system-information program: its System Info button
// finds nothing in the registry, starts nothing, and shows its message as a modal box.
void withoutSystemInfo(frmAbout *box);
