#pragma once

#include <QFont>

namespace platform {

// The window's fonts: 9.75 pt and 8.25 pt at 96 dpi are 13 and 11 pixels.
enum class FontSize { Normal = 13, Small = 11 };

QFont msSansSerif(FontSize size = FontSize::Normal, bool bold = false);
QFont verdana(FontSize size = FontSize::Normal, bool bold = false);

} // namespace platform
