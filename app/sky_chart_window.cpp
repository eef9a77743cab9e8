#include "app/sky_chart_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>

#include "events/job_aspects.h"
#include "prices/sky_markers.h"
#include "render/qt_painter_device.h"
#include "render/qt_surface_writer.h"
#ifdef CAELVANE_WITH_NATAL
#include "natal/chart_file.h"
#include "natal/natal_chart.h"
#endif

namespace {

constexpr double kZoomStep = 0.8;
// The dots per inch a printed chart is laid out at: the screen's pixels.
constexpr double kLayoutDpi = 96.0;

}  // namespace

CSkyChartView::CSkyChartView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(320, 240);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_rest.setSingleShot(true);
    m_rest.setInterval(kRestMs);
    connect(&m_rest, &QTimer::timeout, this, [this] {
        m_previewing = false;
        Changed();
    });
}

void CSkyChartView::SetOptions(const sky::SkyChartOptions& options) {
    m_options = options;
    // The dial changes what y means: the whole dial again.
    m_window.priceLow = 0.0;
    m_window.priceHigh = options.dial;
    Changed();
}

void CSkyChartView::SetChartWindow(const prices::ChartWindow& window) {
    m_window = window;
    Changed();
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

void CSkyChartView::Changed() {
    m_stale = true;
    update();
}

void CSkyChartView::Moved(const prices::ChartWindow& window) {
    m_window = window;
    m_previewing = true;
    m_rest.start();
    update();
}

void CSkyChartView::ZoomAt(double x, double factor) {
    const prices::ChartWindow window = prices::ZoomWindow(Frame(), x, 0.0, factor, true, false);
    double first = 0.0, last = 0.0;
    sky::SourceRange(m_options.source, first, last);
    if (window.timeLeft < first || window.timeRight > last) return;
    Moved(window);
}

void CSkyChartView::PanBy(double fromX, double toX) {
    prices::ChartWindow window = prices::PanWindow(Frame(), fromX, 0.0, toX, 0.0);
    double first = 0.0, last = 0.0;
    sky::SourceRange(m_options.source, first, last);
    if (window.timeLeft < first || window.timeRight > last) return;
    window.priceLow = m_window.priceLow, window.priceHigh = m_window.priceHigh;
    Moved(window);
}

void CSkyChartView::paintEvent(QPaintEvent*) {
    const prices::CChartFrame frame = Frame();
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    // While the mouse drags or the wheel turns, each frame is drawn without antialiasing (the
    // samples of the columns already seen are kept, so a frame costs little); the chart is
    // drawn antialiased once the mouse rests.
    if (m_stale || m_previewing || m_pixmap.size() != pixels) {
        m_drawnWindow = m_window;
        if (m_pixmap.size() != pixels) {
            m_pixmap = QPixmap(pixels);
            m_pixmap.setDevicePixelRatio(ratio);
        }
        QPainter chart(&m_pixmap);
        chart.fillRect(rect(), Qt::white);
        CQtPainterDevice device(chart, prices::kDevicePixelDpi, prices::kDevicePixelDpi);
        device.SetAntialiased(!m_previewing);
        device.Begin();
        sky::DrawSkyChart(device, m_options, frame, m_cache);
        device.End();
        m_stale = false;
        ++m_chartDraws;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_pixmap);
    if (m_crosshair) {
        painter.setPen(QPen(QColor(80, 80, 80), 0, Qt::DashLine));
        painter.drawLine(QPointF(m_crosshair->x(), frame.Top()),
                         QPointF(m_crosshair->x(), frame.PlotBottom()));
        if (m_crosshair->y() <= frame.Bottom()) {
            painter.drawLine(QPointF(frame.Left(), m_crosshair->y()),
                             QPointF(frame.Right(), m_crosshair->y()));
        }
    }
}

void CSkyChartView::resizeEvent(QResizeEvent*) {
    m_stale = true;
}

void CSkyChartView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_dragFrom = event->position();
}

void CSkyChartView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (m_dragFrom && (event->buttons() & Qt::LeftButton)) {
        const QPointF from = *m_dragFrom;
        m_dragFrom = at;
        PanBy(from.x(), at.x());
    }
    const prices::CChartFrame frame = Frame();
    if (at.x() >= frame.Left() && at.x() <= frame.Right() && at.y() >= frame.Top() &&
        at.y() <= frame.PlotBottom()) {
        m_crosshair = at;
        const double folded =
            std::clamp(frame.PriceOfY(std::min(at.y(), frame.Bottom())), 0.0, m_options.dial);
        emit readoutChanged(
            QString::fromStdString(sky::SkyReadout(m_options, frame.TimeOfX(at.x()), folded)));
    } else {
        m_crosshair.reset();
    }
    update();
}

void CSkyChartView::mouseReleaseEvent(QMouseEvent*) {
    m_dragFrom.reset();
}

void CSkyChartView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0.0) return;
    ZoomAt(event->position().x(), std::pow(kZoomStep, notches));
}

void CSkyChartView::leaveEvent(QEvent*) {
    m_crosshair.reset();
    update();
}

CSkyChartWindow::CSkyChartWindow(double from, double to, std::vector<sky::SkyLevel> levels,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window), m_jobLevels(std::move(levels)), m_from(from), m_to(to) {
    setWindowTitle(tr("Sky Chart %1 to %2")
                       .arg(QString::fromStdString(prices::FormatBarTime(from, false)),
                            QString::fromStdString(prices::FormatBarTime(to, false))));
    m_view = new CSkyChartView(this);
    auto* panel = new QVBoxLayout;
    auto* bodies = new QGroupBox(tr("Bodies"));
    auto* bodyLayout = new QVBoxLayout(bodies);
    for (const Body& body : Bodies()) {
        auto* box = new QCheckBox(QString::fromLatin1(body.name));
        const std::string_view name = body.name;
        box->setChecked(name == "Jupiter" || name == "Saturn" || name == "Uranus" ||
                        name == "Pluto");
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
        box->setChecked(kind == prices::PaneKind::Declination);
        paneLayout->addWidget(box);
        m_panes.push_back(box);
        connect(box, &QCheckBox::toggled, this, [this] { Apply(); });
    }
    panel->addWidget(panes);
    m_events = new QCheckBox(tr("Event markers"));
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
             {tr("Print..."), [this] { OnPrint(false); }},
             {tr("Print Preview..."), [this] { OnPrint(true); }}}) {
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

    m_status = new QLabel;
    m_readout = new QLabel;
    m_readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(m_view, &CSkyChartView::readoutChanged, m_readout, &QLabel::setText);
    auto* right = new QVBoxLayout;
    right->addWidget(m_view, 1);
    right->addWidget(m_readout);
    right->addWidget(m_status);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(panel);
    layout->addLayout(right, 1);
    resize(1200, 760);
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
    QString note;
    if (m_events->isChecked()) {
        prices::SkyMarkerRequest request;
        request.from = m_view->ChartWindow().timeLeft;
        request.to = m_view->ChartWindow().timeRight;
        request.kinds = caelvane::events::kAllKinds;
        request.frame = options.frame;
        for (const prices::BodyStyle& body : options.bodies) request.bodies.push_back(body.code);
        request.angles = caelvane::events::AllFixedAngles();
        request.source = options.source;
        prices::SkyMarkers found = prices::FindSkyMarkers(request);
        if (found.error.empty()) {
            options.markers = std::move(found.markers);
            options.spans = std::move(found.spans);
        } else {
            note = tr("  Markers: %1").arg(QString::fromStdString(found.error));
        }
    }
    m_status->setText(
        tr("Positions: %1").arg(QString::fromStdString(PositionSourceDescription(options.source))) +
        note);
    m_view->SetOptions(options);
}

bool CSkyChartWindow::ExportTo(const QString& path, QString& error) {
    const QSize size = m_view->size();
    const SurfaceSize surface{size.width(), size.height(), prices::kUnitsPerPixel};
    const auto draw = [this, size](CDrawingDevice& device) {
        m_view->DrawOn(device, size.width(), size.height());
    };
    const std::string file = path.toStdString();
    std::string message;
    bool written = false;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png")) {
        written = WriteSurfacePng(file, surface, draw, message);
    } else if (suffix == QLatin1String("svg")) {
        written = WriteSurfaceSvg(file, windowTitle().toStdString(), surface, draw, message);
    } else if (suffix == QLatin1String("pdf")) {
        written = WriteSurfacePdf(file, windowTitle().toStdString(), surface, draw, message);
    } else {
        error = tr("%1: the name ends in none of .pdf, .png and .svg").arg(path);
        return false;
    }
    if (!written) error = QString::fromStdString(message);
    return written;
}

void CSkyChartWindow::OnExport() {
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Export Sky Chart"), QStringLiteral("sky.pdf"),
        tr("PDF document (*.pdf);;PNG image (*.png);;SVG drawing (*.svg)"));
    if (path.isEmpty()) return;
    QString error;
    if (!ExportTo(path, error)) QMessageBox::warning(this, windowTitle(), error);
}

void CSkyChartWindow::OnCopy() {
    const QSize size = m_view->size();
    QImage image(size, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        PaintSurface(painter, {size.width(), size.height(), prices::kUnitsPerPixel}, 1.0,
                     [this, size](CDrawingDevice& device) {
                         m_view->DrawOn(device, size.width(), size.height());
                     });
    }
    QApplication::clipboard()->setImage(image);
}

void CSkyChartWindow::OnPrint(bool preview) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(QPageLayout::Landscape);
    const auto print = [this](QPrinter* target) {
        QPainter painter;
        if (!painter.begin(target)) return;
        const QRectF page = target->pageLayout().paintRectPixels(target->resolution());
        const double scale = target->resolution() / kLayoutDpi;
        const int width = std::max(1, static_cast<int>(page.width() / scale));
        const int height = std::max(1, static_cast<int>(page.height() / scale));
        PaintSurface(painter, {width, height, prices::kUnitsPerPixel}, scale,
                     [this, width, height](CDrawingDevice& device) {
                         m_view->DrawOn(device, width, height);
                     });
    };
    if (preview) {
        QPrintPreviewDialog dialog(&printer, this);
        connect(&dialog, &QPrintPreviewDialog::paintRequested, this, print);
        dialog.exec();
    } else {
        QPrintDialog dialog(&printer, this);
        if (dialog.exec() == QDialog::Accepted) print(&printer);
    }
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
                                    QWidget* parent) {
    auto* window = new CSkyChartWindow(from, to, std::move(levels), parent);
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
