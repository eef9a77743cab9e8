#include "app/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

QRect PlacedGeometry(const QRect& available, const QRect& parentFrame, QSize wanted, QSize frame) {
    const QSize room = (available.size() - frame).expandedTo(QSize(1, 1));
    const QSize size = wanted.boundedTo(room).expandedTo(QSize(1, 1));
    const QSize outer = size + frame;
    const QPoint centre = parentFrame.isEmpty() ? available.center() : parentFrame.center();
    QPoint at = centre - QPoint(outer.width() / 2, outer.height() / 2);
    const int right = available.left() + available.width() - outer.width();
    const int bottom = available.top() + available.height() - outer.height();
    at.setX(std::clamp(at.x(), available.left(), std::max(available.left(), right)));
    at.setY(std::clamp(at.y(), available.top(), std::max(available.top(), bottom)));
    return QRect(at, size);
}

void PlaceOnParentScreen(QWidget& window, const QWidget* parent, QSize wanted) {
    const QWidget* top = parent != nullptr ? parent->window() : nullptr;
    QScreen* screen = top != nullptr ? top->screen() : nullptr;
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect parentFrame =
        top != nullptr && top->isVisible() && screen->geometry().intersects(top->frameGeometry())
            ? top->frameGeometry()
            : QRect();
    const QRect placed = PlacedGeometry(screen->availableGeometry(), parentFrame, wanted);
    window.resize(placed.size());
    window.move(placed.topLeft());
}
