#include "platform/toolwindow.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QWidget>
#include <algorithm>
#include <array>

namespace platform {

namespace {

QSettings settings()
{
    return QSettings(QStringLiteral("tintara"), QStringLiteral("tintara"));
}

QString key(const QWidget *tool)
{
    return QStringLiteral("Tool windows/%1").arg(tool->objectName());
}

const QString KeeperName = QStringLiteral("toolWindowPlace");

// Remembers where the user moved or sized a tool window, when it is closed or the program
// ends. Where it still is where the program put it (give or take the window manager's frame),
// the user chose nothing and nothing is kept.
class PlaceKeeper : public QObject {
public:
    explicit PlaceKeeper(QWidget *tool)
        : QObject(tool)
        , tool_(tool)
    {
        setObjectName(KeeperName);
        tool->installEventFilter(this);
        connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
            if (tool_->isVisible())
                keep();
        });
    }
    void placed()
    {
        position_ = tool_->pos();
        size_ = tool_->size();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == tool_ && event->type() == QEvent::Hide)
            keep();
        return false;
    }

private:
    void keep()
    {
        constexpr int FrameFuzz = 48;
        if ((tool_->pos() - position_).manhattanLength() <= FrameFuzz && tool_->size() == size_)
            return;
        QSettings kept = settings();
        kept.setValue(key(tool_) + QStringLiteral("/position"), tool_->pos());
        kept.setValue(key(tool_) + QStringLiteral("/size"), tool_->size());
        placed();
    }

    QWidget *tool_;
    QPoint position_;
    QSize size_;
};

// The window a tool window belongs to in the end: Try all's is the histogram window's.
const QWidget *mainWindowOf(const QWidget *tool)
{
    const QWidget *w = tool->window();
    while (w->parentWidget())
        w = w->parentWidget()->window();
    return w;
}

// `frame` moved as little as it takes to lie within `screen`.
QRect within(QRect frame, const QRect &screen)
{
    frame.setWidth(std::min(frame.width(), screen.width()));
    frame.setHeight(std::min(frame.height(), screen.height()));
    frame.moveLeft(std::clamp(frame.left(), screen.left(), screen.right() - frame.width() + 1));
    frame.moveTop(std::clamp(frame.top(), screen.top(), screen.bottom() - frame.height() + 1));
    return frame;
}

// Where a tool window of `size` (its frame) goes first: beside the main window's frame, on the
// first side with room that no other shown tool window holds, or else the least bad place.
QPoint besideMainWindow(const QWidget *tool, QSize size, const QRect &screen)
{
    const QWidget *main = mainWindowOf(tool);
    if (main == tool)
        return within(QRect(screen.topLeft(), size), screen).topLeft();
    const QRect owner = main->frameGeometry();
    const std::array<QRect, 4> sides = {
        QRect(QPoint(owner.right() + 1, owner.top()), size),
        QRect(QPoint(owner.left() - size.width(), owner.top()), size),
        QRect(QPoint(owner.left(), owner.bottom() + 1), size),
        QRect(QPoint(owner.left(), owner.top() - size.height()), size),
    };
    const auto taken = [&](const QRect &place) {
        for (QWidget *other : QApplication::topLevelWidgets())
            if (other != tool && other != main && other->isVisible() &&
                (other->windowFlags() & Qt::Tool) == Qt::Tool &&
                other->frameGeometry().intersects(place))
                return true;
        return false;
    };
    for (const QRect &place : sides)
        if (screen.contains(place) && !taken(place))
            return place.topLeft();
    for (const QRect &place : sides)
        if (screen.contains(place))
            return place.topLeft();
    // No side has room: the right side, pulled onto the screen.
    return within(sides[0], screen).topLeft();
}

} // namespace

void showToolWindow(QWidget *tool)
{
    // Found by its name: it has no meta-object of its own to be cast by.
    auto *keeper = static_cast<PlaceKeeper *>(
        tool->findChild<QObject *>(KeeperName, Qt::FindDirectChildrenOnly));
    const bool first = !keeper;
    if (first)
        keeper = new PlaceKeeper(tool);
    if (first || !tool->isVisible()) {
        const QWidget *main = mainWindowOf(tool);
        const QScreen *screen = main->screen() ? main->screen() : QGuiApplication::primaryScreen();
        const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
        const QSettings kept = settings();
        const QPoint position = kept.value(key(tool) + QStringLiteral("/position")).toPoint();
        const QSize size = kept.value(key(tool) + QStringLiteral("/size")).toSize();
        if (first && size.isValid())
            tool->resize(size);
        else if (first)
            tool->adjustSize();
        // The frame is known once the window system has framed the window; until then its
        // borders and title bar are guessed, and the place is checked again once it is shown.
        const auto frame = [tool] {
            return tool->frameGeometry().size() == tool->size() ? tool->size() + QSize(8, 32)
                                                                : tool->frameGeometry().size();
        };
        if (first && size.isValid())
            tool->move(within(QRect(position, frame()), available).topLeft());
        else if (first)
            tool->move(besideMainWindow(tool, frame(), available));
        else
            tool->move(within(QRect(tool->pos(), frame()), available).topLeft());
        tool->show();
        if (!available.contains(tool->frameGeometry()))
            tool->move(within(tool->frameGeometry(), available).topLeft());
        keeper->placed();
    }
    tool->raise();
    tool->activateWindow();
}

} // namespace platform
