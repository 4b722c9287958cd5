#pragma once

#include <QScrollArea>

namespace platform {

// A top-level window around a widget of fixed design size: where the window is smaller than
// the widget (a small screen, a large scale), scroll bars show the rest; the widget itself
// keeps its layout. The window takes the widget's title and icon, and closing it closes the
// widget first, as closing the widget closes the window.
class ScrollingWindow : public QScrollArea {
public:
    explicit ScrollingWindow(QWidget *content);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace platform
