#include "app/zoom_geometry.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The steps of Zoom In and Zoom Out: the usual ladder of document programs, 1 among them so
// that stepping always passes the actual size.
constexpr std::array<double, 19> kLadder = {0.1,  0.25, 0.33, 0.5, 0.67, 0.75, 0.8, 0.9, 1.0, 1.1,
                                            1.25, 1.5,  1.75, 2.0, 2.5,  3.0,  4.0, 6.0, 8.0};
// Factors this close count as equal, so that a fitted factor just under a step still climbs.
constexpr double kSameStep = 1e-3;

}  // namespace

double ZoomInStep(double factor) {
    for (double step : kLadder) {
        if (step > factor + kSameStep) return step;
    }
    return kLadder.back();
}

double ZoomOutStep(double factor) {
    for (auto it = kLadder.rbegin(); it != kLadder.rend(); ++it) {
        if (*it < factor - kSameStep) return *it;
    }
    return kLadder.front();
}

double FitPageZoom(QSize page, QSize viewport) {
    if (page.isEmpty() || viewport.isEmpty()) return 1.0;
    return std::min(static_cast<double>(viewport.width()) / page.width(),
                    static_cast<double>(viewport.height()) / page.height());
}

double FitWidthZoom(QSize page, QSize viewport, int scrollBarWidth) {
    if (page.isEmpty() || viewport.isEmpty()) return 1.0;
    const double whole = static_cast<double>(viewport.width()) / page.width();
    // Only as tall as the viewport: no scroll bar takes any width.
    if (page.height() * whole <= viewport.height()) return whole;
    const int width = std::max(1, viewport.width() - std::max(0, scrollBarWidth));
    return static_cast<double>(width) / page.width();
}

double EffectiveZoom(const ZoomChoice& choice, QSize page, QSize viewport, int scrollBarWidth) {
    double zoom = choice.factor;
    if (choice.mode == ZoomMode::FitPage) zoom = FitPageZoom(page, viewport);
    if (choice.mode == ZoomMode::FitWidth) zoom = FitWidthZoom(page, viewport, scrollBarWidth);
    if (!std::isfinite(zoom)) return 1.0;
    return std::clamp(zoom, kMinZoom, kMaxZoom);
}

QSize ZoomedSize(QSize page, double zoom) {
    // Rounded down, so that a fitted page never needs a scroll bar for a fraction of a pixel.
    return QSize(static_cast<int>(std::floor(page.width() * zoom + 1e-9)),
                 static_cast<int>(std::floor(page.height() * zoom + 1e-9)));
}

QPoint PageOrigin(QSize zoomedPage, QSize viewport, QPoint scroll) {
    const int x = zoomedPage.width() < viewport.width()
                      ? (viewport.width() - zoomedPage.width()) / 2
                      : -scroll.x();
    const int y = zoomedPage.height() < viewport.height()
                      ? (viewport.height() - zoomedPage.height()) / 2
                      : -scroll.y();
    return QPoint(x, y);
}

QPoint ScrollKeepingAnchor(QPoint oldOrigin, QPoint anchor, double oldZoom, double newZoom) {
    if (!(oldZoom > 0) || !(newZoom > 0)) return -oldOrigin;
    const double ratio = newZoom / oldZoom;
    const QPoint onPage = anchor - oldOrigin;
    return QPoint(static_cast<int>(std::lround(onPage.x() * ratio - anchor.x())),
                  static_cast<int>(std::lround(onPage.y() * ratio - anchor.y())));
}

QString ZoomChoiceText(const ZoomChoice& choice) {
    switch (choice.mode) {
        case ZoomMode::FitPage:
            return QStringLiteral("fit-page");
        case ZoomMode::FitWidth:
            return QStringLiteral("fit-width");
        case ZoomMode::Factor:
            break;
    }
    return QString::number(choice.factor, 'g', 6);
}

bool ParseZoomChoice(const QString& text, ZoomChoice& choice) {
    const QString value = text.trimmed();
    if (value == QLatin1String("fit-page")) {
        choice = {ZoomMode::FitPage, choice.factor};
        return true;
    }
    if (value == QLatin1String("fit-width")) {
        choice = {ZoomMode::FitWidth, choice.factor};
        return true;
    }
    bool ok = false;
    const double factor = value.toDouble(&ok);
    if (!ok || !std::isfinite(factor) || factor < kMinZoom || factor > kMaxZoom) return false;
    choice = {ZoomMode::Factor, factor};
    return true;
}
