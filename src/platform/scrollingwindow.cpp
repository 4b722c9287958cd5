#include "platform/scrollingwindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>

namespace platform {

ScrollingWindow::ScrollingWindow(QWidget *content)
{
    setObjectName(content->objectName() + QStringLiteral("Window"));
    setFrameShape(QFrame::NoFrame);
    const QSize design = content->size();
    content->setMinimumSize(design);
    setWidget(content);
    setWidgetResizable(true);
    setWindowTitle(content->windowTitle());
    setWindowIcon(content->windowIcon());
    setAcceptDrops(false); // the widget takes the files dropped on it
    connect(content, &QWidget::windowTitleChanged, this, &QWidget::setWindowTitle);
    connect(content, &QWidget::windowIconChanged, this, &QWidget::setWindowIcon);
    content->installEventFilter(this);
    // The whole design where the screen holds it, else as much of it as the screen does.
    QSize size = design;
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    resize(size);
}

void ScrollingWindow::closeEvent(QCloseEvent *event)
{
    // The widget may refuse, or end what it is doing, as if it were the window.
    if (widget() && widget()->isVisible() && !widget()->close()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool ScrollingWindow::eventFilter(QObject *watched, QEvent *event)
{
    // A widget that closes itself (its Quit key) takes the window with it.
    if (watched == widget() && event->type() == QEvent::Close && event->isAccepted())
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    return QScrollArea::eventFilter(watched, event);
}

} // namespace platform
