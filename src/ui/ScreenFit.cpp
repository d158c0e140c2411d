#include "ui/ScreenFit.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace orv::ui {
namespace {

class ScreenFitFilter : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            const Qt::WindowType type = widget->windowType();
            if (widget->isWindow() && (type == Qt::Window || type == Qt::Dialog))
                fitToScreen(widget);
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

void fitToScreen(QWidget* window) {
    if (const QScreen* screen = window->screen()) fitInto(window, screen->availableGeometry());
}

void fitInto(QWidget* window, const QRect& free) {
    if (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    // The frame is not known before the first show; a title bar and borders of this size are
    // what the desktops in use draw.
    const QSize frame = window->testAttribute(Qt::WA_WState_Created) &&
                                window->frameGeometry().size() != window->size()
                            ? window->frameGeometry().size() - window->size()
                            : QSize(8, 32);
    const QSize room = free.size() - frame;
    const QSize size = window->size();
    if (size.width() > room.width() || size.height() > room.height())
        window->resize(std::min(size.width(), room.width()),
                       std::min(size.height(), room.height()));
    // A window's position is that of its frame.
    const QRect outer(window->pos(), window->size() + frame);
    if (!free.contains(outer)) {
        const int x = std::max(free.left(), std::min(outer.x(), free.right() + 1 - outer.width()));
        const int y = std::max(free.top(), std::min(outer.y(), free.bottom() + 1 - outer.height()));
        window->move(x, y);
    }
}

void installScreenFit(QApplication& application) {
    application.installEventFilter(new ScreenFitFilter(&application));
}

}  // namespace orv::ui
