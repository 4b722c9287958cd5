#pragma once

class QWidget;

namespace platform {

// Shows a tool window (the histogram, the overlay, Try all) without covering the main window
// where the screen has room: where the user last put it, kept in the program's settings under
// the tool window's object name, or else beside the main window, to its right, left, below or
// above, as the screen allows. Never off the screen, wherever it was put before. Raises and
// activates it, as opening it from a menu does.
void showToolWindow(QWidget *tool);

} // namespace platform
