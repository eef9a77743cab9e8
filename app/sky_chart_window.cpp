#include "app/sky_chart_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/chart_surface.h"
#include "app/sky_chart_settings.h"
#include "app/window_placement.h"
#include "events/job_aspects.h"
#include "prices/sky_markers.h"
#include "render/qt_painter_device.h"
#ifdef CAELVANE_WITH_NATAL
#include "natal/chart_file.h"
#include "natal/natal_chart.h"
#endif

namespace {

// The crosshair reads the markers this close to it, in pixels.
constexpr double kNearPixels = 3.0;

}  // namespace

CSkyChartView::CSkyChartView(QWidget* parent) : CChartViewBase(parent) {}

void CSkyChartView::SetOptions(const sky::SkyChartOptions& options) {
    m_options = options;
    // The dial changes what y means: the whole dial again.
    m_window.priceLow = 0.0;
    m_window.priceHigh = options.dial;
    ChartChanged();
}

void CSkyChartView::SetChartWindow(const prices::ChartWindow& window) {
    m_window = window;
    ChartChanged();
    emit windowSettled();
}

prices::CChartFrame CSkyChartView::Frame() const {
    return sky::SkyFrame(width(), height(), m_window, m_options.panes.size());
}

void CSkyChartView::DrawOn(CDrawingDevice& device, int width, int height) const {
    sky::SkyCache cache;
    device.Begin();
    sky::DrawSkyChart(device, m_options,
                      sky::SkyFrame(width, height, m_window, m_options.panes.size()), cache);
    device.End();
}

void CSkyChartView::DrawChart(QPainter& painter, bool moving) {
    // The samples of the columns already seen are kept in the cache, so a frame of a drag
    // costs little.
    CQtPainterDevice device(painter, prices::kDevicePixelDpi, prices::kDevicePixelDpi);
    device.SetAntialiased(!moving);
    sky::SkyChartOptions options = m_options;
    if (moving) options.quality = prices::DrawQuality::Moving;  // steep steps as upright strokes
    device.Begin();
    sky::DrawSkyChart(device, options, Frame(), m_cache);
    device.End();
}

void CSkyChartView::ZoomAt(double x, double factor) {
    const prices::ChartWindow window = prices::ZoomWindow(Frame(), x, 0.0, factor, true, false);
    double first = 0.0, last = 0.0;
    sky::SourceRange(m_options.source, first, last);
    if (window.timeLeft < first || window.timeRight > last) return;
    m_window = window;
    StartMoving();
}

void CSkyChartView::PanBy(double fromX, double toX) {
    prices::ChartWindow window = prices::PanWindow(Frame(), fromX, 0.0, toX, 0.0);
    double first = 0.0, last = 0.0;
    sky::SourceRange(m_options.source, first, last);
    if (window.timeLeft < first || window.timeRight > last) return;
    window.priceLow = m_window.priceLow, window.priceHigh = m_window.priceHigh;
    m_window = window;
    StartMoving();
}

void CSkyChartView::Dragged(QPointF from, QPointF to) {
    PanBy(from.x(), to.x());
}

void CSkyChartView::Wheeled(QPointF at, double notches, Qt::KeyboardModifiers) {
    ZoomAt(at.x(), std::pow(kZoomStep, notches));
}

void CSkyChartView::Rested() {
    emit windowSettled();
}

void CSkyChartView::PaintOver(QPainter& painter) {
    const std::optional<QPointF> crosshair = Crosshair();
    const prices::CChartFrame frame = Frame();
    if (!crosshair || crosshair->x() < frame.Left() || crosshair->x() > frame.Right() ||
        crosshair->y() < frame.Top() || crosshair->y() > frame.PlotBottom())
        return;
    painter.setPen(QPen(QColor(80, 80, 80), 0, Qt::DashLine));
    painter.drawLine(QPointF(crosshair->x(), frame.Top()),
                     QPointF(crosshair->x(), frame.PlotBottom()));
    if (crosshair->y() <= frame.Bottom()) {
        painter.drawLine(QPointF(frame.Left(), crosshair->y()),
                         QPointF(frame.Right(), crosshair->y()));
    }
}

void CSkyChartView::CrosshairMoved() {
    const std::optional<QPointF> at = Crosshair();
    const prices::CChartFrame frame = Frame();
    if (!at || at->x() < frame.Left() || at->x() > frame.Right() || at->y() < frame.Top() ||
        at->y() > frame.PlotBottom())
        return;
    const double folded =
        std::clamp(frame.PriceOfY(std::min(at->y(), frame.Bottom())), 0.0, m_options.dial);
    std::string text = sky::SkyReadout(m_options, frame.TimeOfX(at->x()), folded);
    // Thinned markers are read here: every one within a few pixels of the crosshair.
    const auto near = prices::MarkersNear(m_options.markers, frame, at->x(), kNearPixels);
    if (!near.empty()) text += "\n";
    for (std::size_t i = 0; i < near.size(); ++i) {
        text += (i == 0 ? "" : "   ") + prices::FormatBarTime(near[i]->time, false) + " " +
                near[i]->label;
    }
    emit readoutChanged(QString::fromStdString(text));
}

CSkyChartWindow::CSkyChartWindow(double from, double to, std::vector<sky::SkyLevel> levels,
                                 QWidget* parent, QSettings* profile)
    : QWidget(parent, Qt::Window),
      m_jobLevels(std::move(levels)),
      m_from(from),
      m_to(to),
      m_profile(profile),
      m_printing(this, QPageLayout::Landscape, [this](QPrinter& printer) {
          return PrintChart(printer, [this](CDrawingDevice& device, int width, int height) {
              m_view->DrawOn(device, width, height);
          });
      }) {
    const SkyChartSettings kept = profile ? LoadSkyChartSettings(*profile) : SkyChartSettings{};
    setWindowTitle(tr("Sky Chart %1 to %2")
                       .arg(QString::fromStdString(prices::FormatBarTime(from, false)),
                            QString::fromStdString(prices::FormatBarTime(to, false))));
    m_view = new CSkyChartView(this);
    auto* panel = new QVBoxLayout;
    auto* bodies = new QGroupBox(tr("Bodies"));
    auto* bodyLayout = new QVBoxLayout(bodies);
    for (const Body& body : Bodies()) {
        auto* box = new QCheckBox(QString::fromLatin1(body.name));
        box->setChecked(std::find(kept.bodies.begin(), kept.bodies.end(), body.name) !=
                        kept.bodies.end());
        bodyLayout->addWidget(box);
        m_bodies.push_back(box);
        connect(box, &QCheckBox::toggled, this, [this] { Apply(); });
    }
    panel->addWidget(bodies);
    auto* form = new QFormLayout;
    m_frame = new QComboBox;
    m_frame->addItems({tr("geocentric"), tr("heliocentric")});
    m_source = new QComboBox;
    if (PrecisePositionsAvailable()) m_source->addItem(tr("precise"));
    m_source->addItem(tr("series"));
    m_dial = new QComboBox;
    for (double dial : sky::Dials()) {
        m_dial->addItem(QString::fromStdString(sky::DialName(dial)) + QStringLiteral("\u00B0"));
    }
    form->addRow(tr("Frame"), m_frame);
    form->addRow(tr("Positions"), m_source);
    form->addRow(tr("Dial"), m_dial);
    panel->addLayout(form);
    auto* panes = new QGroupBox(tr("Panes"));
    auto* paneLayout = new QVBoxLayout(panes);
    for (prices::PaneKind kind : prices::PaneKinds()) {
        auto* box = new QCheckBox(QString::fromLatin1(prices::PaneName(kind)));
        box->setObjectName(QStringLiteral("pane_") + QLatin1String(prices::PaneName(kind)));
        box->setChecked(std::find(kept.panes.begin(), kept.panes.end(), kind) != kept.panes.end());
        paneLayout->addWidget(box);
        m_panes.push_back(box);
        connect(box, &QCheckBox::toggled, this, [this] { Apply(); });
    }
    panel->addWidget(panes);
    m_frame->setCurrentIndex(kept.frame == Frame::Geocentric ? 0 : 1);
    if (kept.source) {
        const int index = m_source->findText(
            *kept.source == PositionSource::Precise ? tr("precise") : tr("series"));
        if (index >= 0) m_source->setCurrentIndex(index);
    }
    const auto dials = sky::Dials();
    m_dial->setCurrentIndex(
        static_cast<int>(std::find(dials.begin(), dials.end(), kept.dial) - dials.begin()));
    m_events = new QCheckBox(tr("Event markers"));
    m_events->setChecked(kept.markers);
    panel->addWidget(m_events);
    auto* natal = new QPushButton(tr("Natal Points..."));
#ifndef CAELVANE_WITH_NATAL
    natal->setEnabled(false);
#endif
    panel->addWidget(natal);
    for (const auto& [text, slot] :
         std::initializer_list<std::pair<QString, std::function<void()>>>{
             {tr("Export..."), [this] { OnExport(); }},
             {tr("Copy"), [this] { OnCopy(); }},
             {tr("Print..."), [this] { m_printing.Print(); }},
             {tr("Print Preview..."), [this] { m_printing.PrintPreview(); }}}) {
        auto* button = new QPushButton(text);
        connect(button, &QPushButton::clicked, this, slot);
        panel->addWidget(button);
    }
    panel->addStretch(1);
    for (QComboBox* combo : {m_frame, m_source, m_dial}) {
        connect(combo, &QComboBox::currentIndexChanged, this, [this] { Apply(); });
    }
    connect(m_events, &QCheckBox::toggled, this, [this] { Apply(); });
    connect(natal, &QPushButton::clicked, this, [this] { OnNatalPoints(); });
    connect(&m_search, &CMarkerSearch::progress, this, [this](int percent) {
        m_markerNote = tr("Searching events... %1%").arg(percent);
        ShowStatus();
    });
    connect(&m_search, &CMarkerSearch::finished, this,
            [this](const prices::SkyMarkers& found) { MarkersFound(found); });

    m_status = new QLabel;
    m_readout = new QLabel;
    m_readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Twelve bodies read at once make a line wider than most screens: it wraps within the
    // window (room for three lines, so the chart does not jump as the text changes) instead of
    // widening the window past the screen's edge.
    m_readout->setWordWrap(true);
    m_readout->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_readout->setFixedHeight(3 * m_readout->fontMetrics().lineSpacing() + 4);
    connect(m_view, &CSkyChartView::readoutChanged, m_readout, &QLabel::setText);
    connect(m_view, &CSkyChartView::windowSettled, this, [this] { SearchMarkers(); });
    auto* right = new QVBoxLayout;
    right->addWidget(m_view, 1);
    right->addWidget(m_readout);
    right->addWidget(m_status);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(panel);
    layout->addLayout(right, 1);
    // Whole on the screen of the main window, however small that screen is.
    PlaceOnParentScreen(*this, parent, QSize(1200, 760));
    m_view->SetChartWindow(sky::DialWindow(from, to, 360.0));
    Apply();
}

void CSkyChartWindow::Apply() {
    sky::SkyChartOptions options;
    options.frame = m_frame->currentIndex() == 0 ? Frame::Geocentric : Frame::Heliocentric;
    options.source =
        m_source->currentText() == tr("precise") ? PositionSource::Precise : PositionSource::Series;
    options.dial = sky::Dials()[static_cast<std::size_t>(std::max(0, m_dial->currentIndex()))];
    const auto names = Bodies();
    for (std::size_t i = 0; i < m_bodies.size(); ++i) {
        const int code = BodyCode(names[i], options.frame);
        m_bodies[i]->setEnabled(code != 0);
        if (code != 0 && m_bodies[i]->isChecked()) {
            options.bodies.push_back({code, prices::DefaultBodyColor(code)});
        }
    }
    const auto kinds = prices::PaneKinds();
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        if (m_panes[i]->isChecked()) options.panes.push_back(kinds[i]);
    }
    options.levels = m_jobLevels;
    options.levels.insert(options.levels.end(), m_natalLevels.begin(), m_natalLevels.end());
    if (m_events->isChecked()) {
        options.markers = m_found.markers;
        options.spans = m_found.spans;
    }
    m_sourceNote =
        tr("Positions: %1").arg(QString::fromStdString(PositionSourceDescription(options.source)));
    m_view->SetOptions(options);
    SearchMarkers();
    ShowStatus();
    if (m_profile != nullptr) {
        SkyChartSettings settings;
        settings.bodies.clear();
        for (std::size_t i = 0; i < m_bodies.size(); ++i) {
            if (m_bodies[i]->isChecked()) settings.bodies.emplace_back(names[i].name);
        }
        settings.frame = options.frame;
        settings.source = options.source;
        settings.dial = options.dial;
        settings.panes = options.panes;
        settings.markers = m_events->isChecked();
        SaveSkyChartSettings(*m_profile, settings);
    }
}

void CSkyChartWindow::SetMarkersOn(bool on) {
    m_events->setChecked(on);
}

void CSkyChartWindow::SearchMarkers() {
    if (!m_events->isChecked()) {
        m_search.Cancel();
        m_searched.reset();
        m_found = {};
        m_markerNote.clear();
        return;
    }
    const sky::SkyChartOptions& options = m_view->Options();
    prices::SkyMarkerRequest request;
    request.kinds = events::kAllKinds;
    request.frame = options.frame;
    for (const prices::BodyStyle& body : options.bodies) request.bodies.push_back(body.code);
    request.angles = events::AllFixedAngles();
    request.source = options.source;
    const bool sameSky = m_searched && m_searched->bodies == request.bodies &&
                         m_searched->frame == request.frame && m_searched->source == request.source;
    // Half a screen more on either side, so that a pan shows markers before a new search ends.
    const prices::ChartWindow& shown = m_view->ChartWindow();
    // A search that found too many is tried again once the dates shown are much fewer.
    const bool retry = m_searchFailed &&
                       2.0 * (shown.timeRight - shown.timeLeft) < m_searched->to - m_searched->from;
    if (sameSky && !retry && shown.timeLeft >= m_searched->from &&
        shown.timeRight <= m_searched->to)
        return;
    if (!sameSky) m_found = {};
    // A day short of the finder's bound, which the conversion to days must not cross.
    const double limit = (prices::kMaxMarkerRangeDays - 1.0) * 86400.0;
    const double width = shown.timeRight - shown.timeLeft;
    if (!(width > 0.0) || width > limit || request.bodies.empty()) {
        m_search.Cancel();
        m_searched.reset();
        m_found = {};
        m_markerNote = request.bodies.empty()
                           ? QString()
                           : tr("Markers: at most 1000 years are searched; zoom in to see them.");
        ShowStatus();
        return;
    }
    const double pad = std::min(width / 2.0, (limit - width) / 2.0);
    double first = 0.0, last = 0.0;
    sky::SourceRange(options.source, first, last);
    request.from = std::max(first, shown.timeLeft - pad);
    request.to = std::min(last, shown.timeRight + pad);
    m_searched = request;
    m_searchFailed = false;
    m_markerNote = tr("Searching events...");
    m_search.Start(request);
    ShowStatus();
}

void CSkyChartWindow::MarkersFound(const prices::SkyMarkers& found) {
    m_searchFailed = !found.error.empty();
    if (!found.error.empty()) {
        m_found = {};
        m_markerNote = tr("Markers: %1").arg(QString::fromStdString(found.error));
    } else {
        m_found = found;
        m_markerNote = tr("%n event(s)", nullptr, static_cast<int>(found.markers.size()));
    }
    Apply();
}

void CSkyChartWindow::ShowStatus() {
    m_status->setText(m_markerNote.isEmpty() ? m_sourceNote
                                             : m_sourceNote + QStringLiteral("   ") + m_markerNote);
}

bool CSkyChartWindow::ExportTo(const QString& path, QString& error) {
    return ExportChart(
        path, windowTitle().toStdString(), m_view->size(),
        [this](CDrawingDevice& device, int width, int height) {
            m_view->DrawOn(device, width, height);
        },
        error);
}

void CSkyChartWindow::OnExport() {
    const QString path =
        AskChartExportPath(this, tr("Export Sky Chart"), QString(), QStringLiteral("sky"));
    if (path.isEmpty()) return;
    QString error;
    if (!ExportTo(path, error)) QMessageBox::warning(this, windowTitle(), error);
}

void CSkyChartWindow::OnCopy() {
    QApplication::clipboard()->setImage(
        ChartImage(m_view->size(), [this](CDrawingDevice& device, int width, int height) {
            m_view->DrawOn(device, width, height);
        }));
}

void CSkyChartWindow::OnNatalPoints() {
#ifdef CAELVANE_WITH_NATAL
    const QString path = QFileDialog::getOpenFileName(this, tr("Natal Points of a Chart File"));
    if (path.isEmpty()) return;
    std::vector<natal::Horoscope> horoscopes;
    std::string error;
    if (!natal::LoadChartFile(path.toStdString(), horoscopes, error) || horoscopes.empty()) {
        QMessageBox::warning(
            this, windowTitle(),
            error.empty() ? tr("%1 holds no chart").arg(path) : QString::fromStdString(error));
        return;
    }
    natal::NatalChart chart;
    if (!natal::ComputeNatalChart(horoscopes.front(), std::nullopt, chart, error)) {
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(error));
        return;
    }
    m_natalLevels.clear();
    for (const natal::ChartPoint& point : chart.bodies) {
        m_natalLevels.push_back({point.longitude, "n." + point.name.substr(0, 3), RGB(0, 110, 60)});
    }
    Apply();
#endif
}

CSkyChartWindow* OpenSkyChartWindow(double from, double to, std::vector<sky::SkyLevel> levels,
                                    QWidget* parent, QSettings* profile) {
    auto* window = new CSkyChartWindow(from, to, std::move(levels), parent, profile);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}

bool AskSkyRange(QWidget* parent, double& from, double& to) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QObject::tr("New Sky Chart"));
    auto* fromEdit = new QDateEdit(QDate::currentDate().addYears(-1));
    auto* toEdit = new QDateEdit(QDate::currentDate().addYears(1));
    for (QDateEdit* edit : {fromEdit, toEdit}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setDateRange(QDate(1, 1, 1), QDate(9999, 12, 31));
    }
    auto* form = new QFormLayout(&dialog);
    form->addRow(QObject::tr("From"), fromEdit);
    form->addRow(QObject::tr("To"), toEdit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    while (dialog.exec() == QDialog::Accepted) {
        const QDate a = fromEdit->date(), b = toEdit->date();
        from = static_cast<double>(prices::DaysFromCivil(a.year(), a.month(), a.day())) * 86400.0;
        to = static_cast<double>(prices::DaysFromCivil(b.year(), b.month(), b.day())) * 86400.0;
        const std::string problem = sky::CheckSkyRange(
            from, to,
            PrecisePositionsAvailable() ? PositionSource::Precise : PositionSource::Series);
        if (problem.empty()) return true;
        QMessageBox::warning(&dialog, dialog.windowTitle(), QString::fromStdString(problem));
    }
    return false;
}

std::vector<sky::SkyLevel> HotSpotLevels(const double degrees[4], const std::string labels[4]) {
    std::vector<sky::SkyLevel> levels;
    for (int i = 0; i < 4; ++i) {
        if (degrees[i] == 0.0 && labels[i].empty()) continue;
        levels.push_back({degrees[i], labels[i].empty() ? "HS" + std::to_string(i + 1) : labels[i],
                          RGB(200, 90, 0)});
    }
    return levels;
}
