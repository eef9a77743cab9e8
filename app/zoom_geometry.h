#pragma once
#include <QPoint>
#include <QSize>
#include <QString>

// How a chart view scales its page: a fixed factor (1 is the page at the screen's resolution,
// the program's usual scale), or fitted to the window, whole or by its width.
enum class ZoomMode { Factor, FitPage, FitWidth };

struct ZoomChoice {
    ZoomMode mode = ZoomMode::Factor;
    double factor = 1.0;  // used in ZoomMode::Factor

    bool operator==(const ZoomChoice&) const = default;
};

inline constexpr double kMinZoom = 0.1;
inline constexpr double kMaxZoom = 8.0;

// The next step of the zoom ladder above (or below) `factor`; holds at the ends.
double ZoomInStep(double factor);
double ZoomOutStep(double factor);

// The factor that shows the whole page (`page` at factor 1) inside `viewport`.
double FitPageZoom(QSize page, QSize viewport);
// The factor that fills the width of `viewport` (its size without scroll bars). When the page
// is then taller than the viewport, a vertical scroll bar of `scrollBarWidth` takes its share.
double FitWidthZoom(QSize page, QSize viewport, int scrollBarWidth);
// The factor in effect for `choice`, clamped to kMinZoom..kMaxZoom.
double EffectiveZoom(const ZoomChoice& choice, QSize page, QSize viewport, int scrollBarWidth);

// The page's size in pixels at `zoom`.
QSize ZoomedSize(QSize page, double zoom);
// Where the page's top-left corner goes in the viewport: centred along an axis where the page
// is smaller than the viewport, moved by the scroll position along the others.
QPoint PageOrigin(QSize zoomedPage, QSize viewport, QPoint scroll);
// The scroll position that keeps the page point under `anchor` (viewport pixels) in place
// when the page, drawn from `oldOrigin` (PageOrigin), goes from `oldZoom` to `newZoom`.
QPoint ScrollKeepingAnchor(QPoint oldOrigin, QPoint anchor, double oldZoom, double newZoom);

// The profile's form: "fit-page", "fit-width" or the factor ("1.5"). Parsing anything else (a
// damaged or hand-edited profile) returns false and leaves `choice` as it was.
QString ZoomChoiceText(const ZoomChoice& choice);
bool ParseZoomChoice(const QString& text, ZoomChoice& choice);
