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

// Where a tool window goes first (its frame, of `size` at most and `least` at least): beside
// the main window, in the strip of screen to its right, left, below or above, the first where it
// fits, shrunk to the strip where it may be, and that no other shown tool window holds. Where no
// strip is wide enough, at its least size over the main window's left.
QRect besideMainWindow(const QWidget *tool, QSize size, QSize least, const QRect &screen)
{
    const QWidget *main = mainWindowOf(tool);
    if (main == tool)
        return within(QRect(screen.topLeft(), size), screen);
    const QRect owner = main->frameGeometry().intersected(screen);
    const int right = screen.right() - owner.right(), left = owner.left() - screen.left();
    const int below = screen.bottom() - owner.bottom(), above = owner.top() - screen.top();
    // The frame on a side (right, left, below, above) whose strip is `room` wide or tall:
    // shrunk to the strip, but not below its least size.
    const auto place = [&](int side, int room) {
        const bool across = side < 2; // beside, not above or below
        QSize fit = size;
        if (across)
            fit.setWidth(std::max(std::min(size.width(), room), least.width()));
        else
            fit.setHeight(std::max(std::min(size.height(), room), least.height()));
        QRect r(QPoint(), fit);
        if (side == 0)
            r.moveTopLeft({owner.right() + 1, owner.top()});
        else if (side == 1)
            r.moveTopRight({owner.left() - 1, owner.top()});
        else if (side == 2)
            r.moveTopLeft({owner.left(), owner.bottom() + 1});
        else
            r.moveBottomLeft({owner.left(), owner.top() - 1});
        // Pulled onto the screen, over the main window only where the strip is too narrow.
        return within(r, screen);
    };
    const std::array<int, 4> rooms = {right, left, below, above};
    const auto fits = [&](int side) {
        return rooms[side] >= (side < 2 ? least.width() : least.height());
    };
    const auto taken = [&](const QRect &r) {
        for (QWidget *other : QApplication::topLevelWidgets())
            if (other != tool && other != main && other->isVisible() &&
                (other->windowFlags() & Qt::Tool) == Qt::Tool &&
                other->frameGeometry().intersects(r))
                return true;
        return false;
    };
    for (int side = 0; side < 4; ++side)
        if (fits(side) && !taken(place(side, rooms[side])))
            return place(side, rooms[side]);
    for (int side = 0; side < 4; ++side)
        if (fits(side))
            return place(side, rooms[side]);
    // No strip is wide enough: the window at its least size covers the main window's left,
    // where the preview is, which the tools need least, so that the bars, the commands and the
    // planes stay in view; a second such window cascades over the first, title bars apart.
    const QRect r = place(1, 0);
    return taken(r) ? within(r.translated(40, 40), screen) : r;
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
        else if (first && !tool->testAttribute(Qt::WA_Resized))
            tool->adjustSize();
        // The frame is known once the window system has framed the window; until then its
        // borders and title bar are guessed, and the place is checked again once it is shown.
        const QSize border = tool->frameGeometry().size() == tool->size()
                                 ? QSize(8, 32)
                                 : tool->frameGeometry().size() - tool->size();
        const QSize frame = tool->size() + border;
        if (first && size.isValid()) {
            tool->move(within(QRect(position, frame), available).topLeft());
        } else if (first) {
            // Shrunk to half its size at most: a histogram or an overlay smaller than that shows
            // too little to be worth its place.
            const QSize least = (tool->size() / 2)
                                    .expandedTo(tool->minimumSizeHint())
                                    .expandedTo(tool->minimumSize())
                                    .boundedTo(tool->size());
            const QRect place = besideMainWindow(tool, frame, least + border, available);
            tool->resize(place.size() - border);
            tool->move(place.topLeft());
        } else {
            tool->move(within(QRect(tool->pos(), frame), available).topLeft());
        }
        tool->show();
        if (!available.contains(tool->frameGeometry()))
            tool->move(within(tool->frameGeometry(), available).topLeft());
        keeper->placed();
    }
    tool->raise();
    tool->activateWindow();
}

} // namespace platform
