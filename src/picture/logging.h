#pragma once

#include <QLoggingCategory>

// This room's messages for whoever looks into a problem ("tintara.picture"); off below warnings
// unless QT_LOGGING_RULES turns them on. What the user must know is shown or written elsewhere.
Q_DECLARE_LOGGING_CATEGORY(lcPicture)

namespace picture {

// Sends what the codec libraries say through Qt's readers ("libpng warning: ...", "Corrupt JPEG
// data: ...", under Qt's "qt.gui.imageio" or as libpng's plain warnings) to this room's category as
// debug messages, instead of the user's terminal: a file's damage is told once, as the load's
// reason. Every other message goes where it went. Takes effect once, whoever calls it first.
void quietCodecMessages();

} // namespace picture
