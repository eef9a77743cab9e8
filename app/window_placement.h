#pragma once
#include <QRect>
#include <QSize>

class QWidget;

// Where a top-level window opens: whole on the screen that holds its parent, centred on the
// parent's window and moved in from the edges, at most as large as the screen allows.

// The window manager's frame is not known before a window is first shown: this much room is
// kept for it (sides, and title bar plus bottom edge).
inline constexpr int kFrameAllowanceWidth = 16;
inline constexpr int kFrameAllowanceHeight = 48;

// Where a window of `wanted` client size goes on a screen whose free area is `available`,
// centred on `parentFrame` (an empty rectangle: on the screen), with `frame` the room the window
// manager's frame takes: the frame's top-left corner (what QWidget::move takes for a window) and
// the client size, so that frame and all lie inside `available`.
QRect PlacedGeometry(const QRect& available, const QRect& parentFrame, QSize wanted,
                     QSize frame = QSize(kFrameAllowanceWidth, kFrameAllowanceHeight));

// Resizes and moves `window` by PlacedGeometry on the screen of `parent`'s window (the primary
// screen without a parent).
void PlaceOnParentScreen(QWidget& window, const QWidget* parent, QSize wanted);
