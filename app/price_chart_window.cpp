#include "app/price_chart_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/chart_surface.h"
#include "app/command_actions.h"
#include "app/command_ids.h"
#include "app/main_frame.h"
#include "app/price_chart_view.h"
#include "app/price_readout.h"
#include "app/window_placement.h"
#include "ephemeris/bodies.h"
#include "ephemeris/position_source.h"
#include "events/job_aspects.h"
#include "platform/qt/qt_host_services.h"
#include "prices/ohlc_reader.h"
#include "render/qt_surface_writer.h"

namespace {

constexpr int kCodeRole = Qt::UserRole;
constexpr int kColorRole = Qt::UserRole + 1;  // COLORREF as uint

QColor QColorOf(COLORREF color) {
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

// Shows a value as short as it reads ("72", "0.25"), not padded to the decimals it may take.
class CPlainSpinBox : public QDoubleSpinBox {
public:
    using QDoubleSpinBox::QDoubleSpinBox;

protected:
    QString textFromValue(double value) const override {
        return locale().toString(value, 'g', 12).remove(locale().groupSeparator());
    }
};

QIcon Swatch(COLORREF color) {
    QPixmap pixmap(14, 14);
    pixmap.fill(QColorOf(color));
    QPainter painter(&pixmap);
    painter.setPen(Qt::darkGray);
    painter.drawRect(0, 0, 13, 13);
    return QIcon(pixmap);
}

}  // namespace

bool IsTextFileName(const QString& path) {
    return QFileInfo(path).suffix().compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0;
}

bool IsPriceFileName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    return suffix.compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0;
}

PositionSource PriceChartSource(std::optional<PositionSource> chosen) {
    if (chosen) return *chosen;
    return PrecisePositionsAvailable() ? PositionSource::Precise : PositionSource::Series;
}

CPriceChartWindow::CPriceChartWindow(std::shared_ptr<const prices::PriceSeries> series,
                                     const QString& path, CPriceChartSettingsStore* store,
                                     caelvane::CQtHostServices& host, QWidget* parent,
                                     PositionSource source)
    : QMainWindow(parent, Qt::Window),
      m_path(path),
      m_store(store),
      m_host(host),
      m_printing(this, QPageLayout::Landscape, [this](QPrinter& printer) {
          return PrintChart(printer, [this](CDrawingDevice& device, int width, int height) {
              m_view->DrawOn(device, width, height);
          });
      }) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Prices - %1").arg(QFileInfo(path).fileName()));
    m_view = new CPriceChartView(this);
    m_view->setObjectName(QStringLiteral("chart"));
    setCentralWidget(m_view);
    m_readout = new QLabel(this);
    m_readout->setObjectName(QStringLiteral("readout"));
    m_readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusBar()->addWidget(m_readout, 1);
    m_readout->setText(CPriceChartView::Hint());
    connect(m_view, &CPriceChartView::readoutChanged, m_readout, [this](const QString& text) {
        m_readout->setText(text.isEmpty() ? CPriceChartView::Hint() : text);
    });
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("readingProgress"));
    m_progress->setMaximumWidth(200);
    m_progress->hide();
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelReading"));
    m_cancel->hide();
    connect(m_cancel, &QPushButton::clicked, this, &CPriceChartWindow::CancelReading);
    m_fileNote = new QLabel(this);
    m_fileNote->setObjectName(QStringLiteral("fileNote"));
    m_fileNote->hide();
    m_sourceNote = new QLabel(this);
    m_sourceNote->setObjectName(QStringLiteral("sourceNote"));
    statusBar()->addPermanentWidget(m_progress);
    statusBar()->addPermanentWidget(m_cancel);
    statusBar()->addPermanentWidget(m_fileNote);
    statusBar()->addPermanentWidget(m_sourceNote);

    m_skyDelay.setSingleShot(true);
    m_skyDelay.setInterval(250);
    connect(&m_skyDelay, &QTimer::timeout, this, &CPriceChartWindow::FindSky);

    BuildPanel();
    BuildMenus();
    {
        const QSignalBlocker blockSource(m_source);
        m_source->setCurrentIndex(m_source->findData(static_cast<int>(source)));
    }
    UpdateSourceNote();
    m_series = std::make_shared<const prices::PriceSeries>();
    if (series) ShowSeries(std::move(series));
    // Large, but whole on its parent's screen, status bar included.
    PlaceOnParentScreen(*this, parent, QSize(1200, 760));
}

void CPriceChartWindow::ShowSeries(std::shared_ptr<const prices::PriceSeries> series) {
    m_series = std::move(series);
    std::optional<PriceChartSettings> restored;
    if (m_store != nullptr) restored = m_store->Load(m_path);
    if (restored) {
        const prices::ChartOptions& options = restored->options;
        const QSignalBlocker blockStyle(m_style), blockFrame(m_frame), blockSource(m_source),
            blockUnits(m_units), blockOffset(m_offset);
        m_style->setCurrentIndex(m_style->findData(static_cast<int>(options.style)));
        m_frame->setCurrentIndex(m_frame->findData(static_cast<int>(options.lines.frame)));
        m_source->setCurrentIndex(m_source->findData(static_cast<int>(options.lines.source)));
        m_units->setValue(options.lines.unitsPerCircle);
        m_offset->setValue(options.lines.offset);
        m_harmonics = options.lines.harmonics;
        m_harmonicsEdit->setText(QString::fromStdString(pricewin::FormatHarmonics(m_harmonics)));
        m_legend = options.legend;
        const QSignalBlocker blockLabels(m_labelsAction), blockVolume(m_volumeAction),
            blockTrading(m_tradingAction), blockFit(m_fitAction);
        m_labelsAction->setChecked(options.lineLabels);
        m_volumeAction->setChecked(options.volumePane);
        for (std::size_t i = 0; i < m_panes.size(); ++i) {
            const QSignalBlocker blockPane(m_panes[i]);
            m_panes[i]->setChecked(std::find(options.panes.begin(), options.panes.end(),
                                             prices::PaneKinds()[i]) != options.panes.end());
        }
        m_tradingAction->setChecked(restored->tradingDays);
        m_fitAction->setChecked(restored->fitPrices);
    } else {
        const QSignalBlocker block(m_style);
        m_style->setCurrentIndex(m_style->findData(static_cast<int>(
            m_series->hasOhlc ? prices::BarStyle::Candles : prices::BarStyle::CloseLine)));
    }
    for (QAction* action : m_legendGroup->actions()) {
        const QSignalBlocker block(action);
        action->setChecked(action->data().toInt() == static_cast<int>(m_legend));
    }
    m_volumeAction->setEnabled(m_series->hasVolume);
    std::map<QString, bool> shown;
    if (restored) {
        for (const prices::BodyStyle& body : restored->options.bodies) {
            if (const Body* named = BodyOfCode(body.code)) {
                m_colors[QString::fromLatin1(named->name)] = body.color;
                shown[QString::fromLatin1(named->name)] = true;
            }
        }
    }
    FillBodies(shown);
    m_view->SetFitPrices(m_fitAction->isChecked());
    m_view->SetTradingDays(m_tradingAction->isChecked());
    m_view->SetSeries(m_series);
    Apply(restored ? &*restored : nullptr);
    UpdateSourceNote();
    if (m_sky.markers.empty() && m_sky.spans.empty()) m_skyDelay.start();
}

CPriceChartWindow::~CPriceChartWindow() {
    JoinWorkers();
    if (!m_saved && !m_series->bars.empty()) SaveSettings();
}

void CPriceChartWindow::JoinWorkers() {
    if (m_cancelReading) *m_cancelReading = true;
    if (m_cancelFinding) *m_cancelFinding = true;
    if (m_reading.joinable()) m_reading.join();
    if (m_finding.joinable()) m_finding.join();
}

void CPriceChartWindow::UpdateSourceNote() {
    const auto source = static_cast<PositionSource>(m_source->currentData().toInt());
    m_sourceNote->setText(
        source == PositionSource::Precise
            ? tr("Positions: precise (%1)").arg(QString::fromStdString(PreciseSourceName()))
            : tr("Positions: classic series"));
    m_sourceNote->setToolTip(QString::fromStdString(PositionSourceDescription(source)));
}

QString CPriceChartWindow::FileNote() const {
    return m_fileNote->text();
}

void CPriceChartWindow::NoteReading(const prices::ReadReport& report) {
    m_fileNote->setText(report.descending ? tr("Rows newest first: shown in time order")
                                          : QString());
    m_fileNote->setVisible(report.descending);
}

namespace {

// What a reading with skipped bad rows means to the user: a file that cannot be read is
// reported (unless `quiet`); one with bad rows asks whether to keep the good ones. Whether the
// series is to be shown.
bool AcceptReading(const prices::ReadReport& report, const QString& path,
                   caelvane::CQtHostServices& host, bool quiet) {
    if (!report.ok) {
        // Nothing to keep: the first fault says more than "no price rows" at the end.
        if (!quiet) {
            host.ShowMessage(
                QString::fromStdString(report.skipped > 0 ? report.firstSkipped : report.error));
        }
        return false;
    }
    if (report.skipped == 0) return true;
    const QString count = report.skipped == 1 ? QObject::tr("the one row")
                                              : QObject::tr("the %1 rows").arg(report.skipped);
    const QString question =
        QObject::tr("%1\n\nKeep the good rows and leave out %2 that cannot be read?")
            .arg(QString::fromStdString(report.firstSkipped), count);
    if (host.AskYesNoCancel(question) != caelvane::CQtHostServices::Answer::Yes) return false;
    host.ShowMessage(QObject::tr("%1: left out %2 bad %3; the first: %4")
                         .arg(path)
                         .arg(report.skipped)
                         .arg(report.skipped == 1 ? QObject::tr("row") : QObject::tr("rows"),
                              QString::fromStdString(report.firstSkipped)));
    return true;
}

}  // namespace

void CPriceChartWindow::StartReading(bool quietIfNoBars) {
    if (Reading()) return;
    m_quietIfNoBars = quietIfNoBars;
    setWindowTitle(tr("Prices - %1 (reading...)").arg(QFileInfo(m_path).fileName()));
    const qint64 size = QFileInfo(m_path).size();
    m_progress->setRange(0, size > 0 ? 1000 : 0);
    m_progress->setValue(0);
    m_progress->show();
    m_cancel->show();
    m_panelDock->setEnabled(false);
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_cancelReading = cancel;
    m_readPending = true;
    const std::string file = QFile::encodeName(m_path).toStdString();
    m_reading = std::thread([this, file, cancel, size] {
        prices::ReadOptions options;
        options.skipBadRows = true;
        int shown = -1;
        options.progress = [this, cancel, size, &shown](std::uint64_t bytes) {
            if (*cancel) return false;
            const int permille = size > 0
                                     ? static_cast<int>(std::min<std::uint64_t>(
                                           1000, bytes * 1000 / static_cast<std::uint64_t>(size)))
                                     : 0;
            if (permille != shown) {
                shown = permille;
                QMetaObject::invokeMethod(
                    this, [this, permille] { m_progress->setValue(permille); },
                    Qt::QueuedConnection);
            }
            return true;
        };
        auto series = std::make_shared<prices::PriceSeries>();
        prices::ReadReport report = prices::ReadOhlcFile(file, options, *series);
        if (*cancel) report.cancelled = true;
        QMetaObject::invokeMethod(
            this, [this, series, report] { ReadingDone(series, report); }, Qt::QueuedConnection);
    });
}

void CPriceChartWindow::CancelReading() {
    if (m_cancelReading) *m_cancelReading = true;
}

void CPriceChartWindow::ReadingDone(std::shared_ptr<prices::PriceSeries> series,
                                    prices::ReadReport report) {
    if (m_reading.joinable()) m_reading.join();
    m_readPending = false;
    m_progress->hide();
    m_cancel->hide();
    m_panelDock->setEnabled(true);
    setWindowTitle(tr("Prices - %1").arg(QFileInfo(m_path).fileName()));
    // The question and the messages run an event loop of their own, in which the window may
    // be closed and deleted.
    const QPointer<CPriceChartWindow> self(this);
    const bool accepted =
        !report.cancelled && AcceptReading(report, m_path, m_host, m_quietIfNoBars);
    if (self.isNull()) return;
    if (!accepted) {
        emit readingFinished(false);
        close();
        return;
    }
    NoteReading(report);
    ShowSeries(std::move(series));
    emit readingFinished(true);
}

QString CPriceChartWindow::SourceNote() const {
    return m_sourceNote->text();
}

void CPriceChartWindow::BuildPanel() {
    // Mnemonics: none on F or V, which open the window's menus.
    auto* panel = new QWidget(this);
    auto* form = new QFormLayout;

    m_style = new QComboBox(panel);
    m_style->setObjectName(QStringLiteral("style"));
    m_style->addItem(tr("Candles"), static_cast<int>(prices::BarStyle::Candles));
    m_style->addItem(tr("OHLC bars"), static_cast<int>(prices::BarStyle::OhlcBars));
    m_style->addItem(tr("Close line"), static_cast<int>(prices::BarStyle::CloseLine));
    form->addRow(tr("&Bars:"), m_style);

    m_log = new QCheckBox(tr("&Logarithmic prices"), panel);
    m_log->setObjectName(QStringLiteral("logScale"));
    form->addRow(m_log);

    m_frame = new QComboBox(panel);
    m_frame->setObjectName(QStringLiteral("frame"));
    m_frame->addItem(tr("Geocentric"), static_cast<int>(Frame::Geocentric));
    m_frame->addItem(tr("Heliocentric"), static_cast<int>(Frame::Heliocentric));
    form->addRow(tr("Fra&me:"), m_frame);

    m_source = new QComboBox(panel);
    m_source->setObjectName(QStringLiteral("positions"));
    m_source->addItem(tr("Classic series"), static_cast<int>(PositionSource::Series));
    m_source->addItem(tr("Precise"), static_cast<int>(PositionSource::Precise));
    if (!PrecisePositionsAvailable()) {
        // Listed but not offered: the user sees that the build has no precise source.
        if (auto* items = qobject_cast<QStandardItemModel*>(m_source->model())) {
            items->item(1)->setEnabled(false);
            items->item(1)->setToolTip(tr("This build has no precise source"));
        }
    }
    form->addRow(tr("P&ositions:"), m_source);

    m_bodies = new QListWidget(panel);
    m_bodies->setObjectName(QStringLiteral("bodies"));
    m_bodies->setToolTip(tr("Check the bodies whose lines are drawn; double click for a colour"));
    auto* color = new QPushButton(tr("&Colour..."), panel);
    color->setToolTip(tr("The colour of the selected body's lines"));

    m_units = new CPlainSpinBox(panel);
    m_units->setObjectName(QStringLiteral("unitsPerCircle"));
    m_units->setDecimals(4);
    m_units->setRange(0.0001, 1e9);
    m_units->setValue(prices::kDefaultUnitsPerCircle);
    m_units->setToolTip(tr("Price units of one turn of the zodiac (72: a degree is 0.2)"));
    m_offset = new CPlainSpinBox(panel);
    m_offset->setObjectName(QStringLiteral("offset"));
    m_offset->setDecimals(2);
    m_offset->setRange(-360.0, 360.0);
    m_offset->setSuffix(QStringLiteral("\u00B0"));
    m_offset->setToolTip(tr("Degrees added to every longitude, to anchor a line on a price"));
    m_harmonicsEdit = new QLineEdit(QStringLiteral("0"), panel);
    m_harmonicsEdit->setObjectName(QStringLiteral("harmonics"));
    m_harmonicsEdit->setToolTip(
        tr("Degrees added to each longitude for further lines, e.g. 0, 90, 180, 270; "
           "0 is the body's own line"));

    m_message = new QLabel(panel);
    m_message->setObjectName(QStringLiteral("panelMessage"));
    m_message->setWordWrap(true);
    m_message->setStyleSheet(QStringLiteral("color: #b00000"));
    m_message->hide();

    auto* fit = new QPushButton(tr("Show &All"), panel);
    fit->setToolTip(tr("Show every bar (Home, or a double click on the chart)"));

    auto* layout = new QVBoxLayout(panel);
    layout->addLayout(form);
    layout->addWidget(new QLabel(tr("Bo&dies:"), panel));
    layout->addWidget(m_bodies, 1);
    layout->addWidget(color);
    auto* lines = new QFormLayout;
    lines->addRow(tr("&Units per circle:"), m_units);
    lines->addRow(tr("Off&set:"), m_offset);
    lines->addRow(tr("&Harmonics:"), m_harmonicsEdit);
    layout->addLayout(lines);
    // Panes of the chosen bodies under the prices.
    auto* panes = new QHBoxLayout;
    panes->addWidget(new QLabel(tr("Panes:"), panel));
    for (prices::PaneKind kind : prices::PaneKinds()) {
        auto* box = new QCheckBox(QString::fromLatin1(prices::PaneName(kind)), panel);
        box->setObjectName(QStringLiteral("pane_") + QString::fromLatin1(prices::PaneName(kind)));
        connect(box, &QCheckBox::toggled, this, [this] { Apply(); });
        panes->addWidget(box);
        m_panes.push_back(box);
    }
    panes->addStretch(1);
    layout->addLayout(panes);
    layout->addWidget(m_message);
    layout->addWidget(fit);
    for (QLabel* label : panel->findChildren<QLabel*>()) {
        if (label->text() == tr("Bo&dies:")) label->setBuddy(m_bodies);
    }

    auto* dock = new QDockWidget(tr("Chart"), this);
    dock->setObjectName(QStringLiteral("panel"));
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetClosable);
    dock->setWidget(panel);
    addDockWidget(Qt::RightDockWidgetArea, dock);

    connect(m_style, &QComboBox::currentIndexChanged, this, [this] { Apply(); });
    connect(m_log, &QCheckBox::toggled, this, &CPriceChartWindow::ApplyLogScale);
    connect(m_frame, &QComboBox::currentIndexChanged, this, [this] {
        FillBodies({});
        Apply();
        FillEventBodies();
        m_skyDelay.start();
    });
    connect(m_source, &QComboBox::currentIndexChanged, this, [this] {
        Apply();
        UpdateSourceNote();
        m_skyDelay.start();
    });
    connect(m_bodies, &QListWidget::itemChanged, this, [this] { Apply(); });
    connect(m_bodies, &QListWidget::itemDoubleClicked, this, &CPriceChartWindow::ChooseColor);
    connect(color, &QPushButton::clicked, this, [this] {
        if (QListWidgetItem* item = m_bodies->currentItem()) ChooseColor(item);
    });
    connect(m_units, &QDoubleSpinBox::valueChanged, this, [this] { Apply(); });
    connect(m_offset, &QDoubleSpinBox::valueChanged, this, [this] { Apply(); });
    connect(m_harmonicsEdit, &QLineEdit::editingFinished, this, &CPriceChartWindow::ApplyHarmonics);
    connect(fit, &QPushButton::clicked, m_view, &CPriceChartView::FitAll);
    m_panelDock = dock;
    BuildSkyPanel();
}

void CPriceChartWindow::BuildSkyPanel() {
    namespace ev = events;
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    const auto checkList = [panel](const char* name) {
        auto* list = new QListWidget(panel);
        list->setObjectName(QLatin1String(name));
        return list;
    };
    const auto addItem = [](QListWidget* list, const QString& text, int data, bool checked) {
        auto* item = new QListWidgetItem(text, list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
        item->setData(kCodeRole, data);
    };
    m_eventKinds = checkList("eventKinds");
    const std::pair<ev::EventKind, QString> kinds[] = {{ev::EventKind::Station, tr("Stations")},
                                                       {ev::EventKind::Ingress, tr("Ingresses")},
                                                       {ev::EventKind::Lunation, tr("Lunations")},
                                                       {ev::EventKind::Eclipse, tr("Eclipses")},
                                                       {ev::EventKind::Aspect, tr("Aspects")}};
    for (const auto& [kind, text] : kinds) {
        addItem(m_eventKinds, text, static_cast<int>(kind), false);
    }
    m_eventKinds->setMaximumHeight(m_eventKinds->sizeHintForRow(0) * 5 + 6);
    m_eventBodies = checkList("eventBodies");
    FillEventBodies();
    m_retrograde = checkList("retrograde");
    for (const Body& body : Bodies()) {
        const int code = BodyCode(body, Frame::Geocentric);
        if (code == 0 || !body.stations) continue;  // the Sun, the Moon, the node never turn
        addItem(m_retrograde, QString::fromLatin1(body.name), code, false);
    }
    m_skyMessage = new QLabel(panel);
    m_skyMessage->setObjectName(QStringLiteral("skyMessage"));
    m_skyMessage->setWordWrap(true);

    layout->addWidget(new QLabel(tr("Mark these events:"), panel));
    layout->addWidget(m_eventKinds);
    layout->addWidget(new QLabel(tr("Of these bodies:"), panel));
    layout->addWidget(m_eventBodies, 1);
    layout->addWidget(new QLabel(tr("Shade retrograde motion of:"), panel));
    layout->addWidget(m_retrograde, 1);
    layout->addWidget(m_skyMessage);
    for (QListWidget* list : {m_eventKinds, m_eventBodies, m_retrograde}) {
        connect(list, &QListWidget::itemChanged, this, [this] { m_skyDelay.start(); });
    }

    auto* dock = new QDockWidget(tr("Sky Events"), this);
    dock->setObjectName(QStringLiteral("skyPanel"));
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetClosable);
    dock->setWidget(panel);
    addDockWidget(Qt::RightDockWidgetArea, dock);
    tabifyDockWidget(m_panelDock, dock);
    m_panelDock->raise();
    m_skyDock = dock;
}

void CPriceChartWindow::FillEventBodies() {
    const Frame frame = static_cast<Frame>(m_frame->currentData().toInt());
    std::map<QString, bool> checked;
    for (int i = 0; i < m_eventBodies->count(); ++i) {
        checked[m_eventBodies->item(i)->text()] =
            m_eventBodies->item(i)->checkState() == Qt::Checked;
    }
    const QSignalBlocker block(m_eventBodies);
    m_eventBodies->clear();
    for (const Body& body : Bodies()) {
        const int code = BodyCode(body, frame);
        if (code == 0) continue;
        const QString name = QString::fromLatin1(body.name);
        auto* item = new QListWidgetItem(name, m_eventBodies);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        // Every body but the Moon, whose ingresses and aspects come every few days.
        const auto was = checked.find(name);
        const bool on = was != checked.end() ? was->second : code != -10;
        item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        item->setData(kCodeRole, code);
    }
}

void CPriceChartWindow::SetSkyEvents(events::KindSet kinds, const std::vector<int>& bodies,
                                     const std::vector<int>& retrograde) {
    const auto set = [](QListWidget* list, const auto& wanted) {
        const QSignalBlocker block(list);
        for (int i = 0; i < list->count(); ++i) {
            QListWidgetItem* item = list->item(i);
            item->setCheckState(wanted(item->data(kCodeRole).toInt()) ? Qt::Checked
                                                                      : Qt::Unchecked);
        }
    };
    set(m_eventKinds, [kinds](int kind) {
        return (kinds & events::KindBit(static_cast<events::EventKind>(kind))) != 0;
    });
    set(m_eventBodies, [&bodies](int code) {
        return std::find(bodies.begin(), bodies.end(), code) != bodies.end();
    });
    set(m_retrograde, [&retrograde](int code) {
        return std::find(retrograde.begin(), retrograde.end(), code) != retrograde.end();
    });
    m_skyDelay.stop();
    FindSky();
}

QString CPriceChartWindow::SkyMessage() const {
    return m_skyMessage->text();
}

void CPriceChartWindow::FindSky() {
    namespace ev = events;
    if (m_series->bars.empty()) return;
    ++m_skyGeneration;
    if (m_cancelFinding) *m_cancelFinding = true;
    if (m_finding.joinable()) m_finding.join();
    m_skyPending = false;

    prices::SkyMarkerRequest request;
    const auto checked = [](QListWidget* list) {
        std::vector<int> values;
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->checkState() == Qt::Checked)
                values.push_back(list->item(i)->data(kCodeRole).toInt());
        }
        return values;
    };
    for (int kind : checked(m_eventKinds)) {
        request.kinds |= ev::KindBit(static_cast<ev::EventKind>(kind));
    }
    request.bodies = checked(m_eventBodies);
    request.retrograde = checked(m_retrograde);
    if (request.bodies.empty()) request.kinds = 0;  // none checked is none, not every body
    if (request.kinds == 0 && request.retrograde.empty()) {
        m_skyMessage->setText(QString());
        // Nothing was marked and nothing is: the chart is not drawn again for it.
        if (!m_sky.markers.empty() || !m_sky.spans.empty() || !m_sky.error.empty()) {
            m_sky = {};
            Apply();
        }
        emit skySearchFinished();
        return;
    }
    const prices::ChartWindow all = prices::FitWindow(*m_series, false);
    request.from = all.timeLeft;
    request.to = all.timeRight;
    request.frame = static_cast<Frame>(m_frame->currentData().toInt());
    request.angles = ev::AllFixedAngles();
    request.source = static_cast<PositionSource>(m_source->currentData().toInt());
    m_skyMessage->setText(tr("Searching the sky..."));
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_cancelFinding = cancel;
    m_skyPending = true;
    const int generation = m_skyGeneration;
    m_finding = std::thread([this, request, cancel, generation] {
        int shown = -1;
        const auto progress = [this, cancel, generation, &shown](double fraction) {
            if (*cancel) return false;
            const int percent = static_cast<int>(fraction * 100.0);
            if (percent != shown) {
                shown = percent;
                QMetaObject::invokeMethod(
                    this,
                    [this, generation, percent] {
                        if (generation == m_skyGeneration && m_skyPending)
                            m_skyMessage->setText(tr("Searching the sky... %1%").arg(percent));
                    },
                    Qt::QueuedConnection);
            }
            return true;
        };
        auto found =
            std::make_shared<prices::SkyMarkers>(prices::FindSkyMarkers(request, progress));
        QMetaObject::invokeMethod(
            this, [this, generation, found] { SkyFound(generation, std::move(*found)); },
            Qt::QueuedConnection);
    });
}

void CPriceChartWindow::SkyFound(int generation, prices::SkyMarkers found) {
    if (generation != m_skyGeneration) return;
    if (m_finding.joinable()) m_finding.join();
    m_skyPending = false;
    if (found.cancelled) return;
    if (!found.error.empty()) {
        m_sky = {};
        m_skyMessage->setText(QString::fromStdString(found.error));
    } else {
        m_sky = std::move(found);
        const auto count = [](std::size_t n, const char* one, const char* many) {
            return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
        };
        m_skyMessage->setText(count(m_sky.markers.size(), "event", "events") +
                              QStringLiteral(", ") +
                              count(m_sky.spans.size(), "retrograde span", "retrograde spans"));
    }
    Apply();
    emit skySearchFinished();
}

void CPriceChartWindow::SetLegend(prices::LegendPlace place) {
    m_legend = place;
    for (QAction* action : m_legendGroup->actions()) {
        const QSignalBlocker block(action);
        action->setChecked(action->data().toInt() == static_cast<int>(place));
    }
    Apply();
}

void CPriceChartWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    // The program's own Open Prices, so that another file opens from here as from any window.
    if (auto* frame = qobject_cast<CMainFrame*>(parentWidget())) {
        file->addAction(frame->Actions().Action(cmd::kFileOpenPrices));
        file->addSeparator();
    }
    QAction* exportAction = file->addAction(tr("&Export..."), this, &CPriceChartWindow::OnExport);
    exportAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
    exportAction->setStatusTip(tr("Write the chart to a PDF, PNG or SVG file"));
    QAction* copy = file->addAction(tr("&Copy"), this, &CPriceChartWindow::OnCopy);
    copy->setShortcut(QKeySequence::Copy);
    copy->setStatusTip(tr("Put the chart on the clipboard as an image"));
    file->addSeparator();
    QAction* print = file->addAction(tr("&Print..."), this, [this] { m_printing.Print(); });
    print->setShortcut(QKeySequence::Print);
    file->addAction(tr("Print Pre&view"), this, [this] { m_printing.PrintPreview(); });
    file->addSeparator();
    QAction* close = file->addAction(tr("&Close"), this, &QWidget::close);
    close->setShortcut(QKeySequence(QStringLiteral("Ctrl+W")));

    // The keys are the chart's own (it has the focus); the menu only names them.
    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->addAction(tr("Show &All\tHome"), m_view, &CPriceChartView::FitAll);
    view->addAction(tr("Zoom &In\t+"), this,
                    [this] { m_view->ZoomAtCenter(CPriceChartView::kZoomStep, true, false); });
    view->addAction(tr("Zoom &Out\t-"), this, [this] {
        m_view->ZoomAtCenter(1.0 / CPriceChartView::kZoomStep, true, false);
    });
    view->addAction(tr("Zoom In P&rices\tCtrl++"), this,
                    [this] { m_view->ZoomAtCenter(CPriceChartView::kZoomStep, false, true); });
    view->addAction(tr("Zoom Out Pri&ces\tCtrl+-"), this, [this] {
        m_view->ZoomAtCenter(1.0 / CPriceChartView::kZoomStep, false, true);
    });
    view->addSeparator();
    m_fitAction = view->addAction(tr("&Fit Prices to the Bars in View"));
    m_fitAction->setObjectName(QStringLiteral("fitPrices"));
    m_fitAction->setCheckable(true);
    m_fitAction->setChecked(true);
    m_fitAction->setStatusTip(
        tr("Every zoom and pan fits the price axis to the bars in view; off, it stays locked"));
    connect(m_fitAction, &QAction::toggled, m_view, &CPriceChartView::SetFitPrices);
    connect(m_view, &CPriceChartView::fitPricesChanged, m_fitAction, &QAction::setChecked);
    m_tradingAction = view->addAction(tr("&Trading Days Only"));
    m_tradingAction->setObjectName(QStringLiteral("tradingDays"));
    m_tradingAction->setCheckable(true);
    m_tradingAction->setStatusTip(
        tr("Bars one after the other, without the gaps of weekends and holidays"));
    connect(m_tradingAction, &QAction::toggled, m_view, &CPriceChartView::SetTradingDays);
    m_volumeAction = view->addAction(tr("&Volume Pane"));
    m_volumeAction->setObjectName(QStringLiteral("volumePane"));
    m_volumeAction->setCheckable(true);
    m_volumeAction->setChecked(true);
    m_volumeAction->setStatusTip(tr("The volumes under the prices, when the file has them"));
    connect(m_volumeAction, &QAction::toggled, this, [this] { Apply(); });
    m_labelsAction = view->addAction(tr("Line &Labels"));
    m_labelsAction->setObjectName(QStringLiteral("lineLabels"));
    m_labelsAction->setCheckable(true);
    m_labelsAction->setChecked(true);
    m_labelsAction->setStatusTip(tr("Each line's body and harmonic at the right edge"));
    connect(m_labelsAction, &QAction::toggled, this, [this] { Apply(); });
    QMenu* legend = view->addMenu(tr("Le&gend"));
    m_legendGroup = new QActionGroup(this);
    const std::pair<prices::LegendPlace, QString> places[] = {
        {prices::LegendPlace::Auto, tr("&Where It Covers No Bars")},
        {prices::LegendPlace::TopLeft, tr("Top &Left")},
        {prices::LegendPlace::TopRight, tr("Top &Right")},
        {prices::LegendPlace::BottomLeft, tr("&Bottom Left")},
        {prices::LegendPlace::BottomRight, tr("Bottom R&ight")},
        {prices::LegendPlace::Hidden, tr("&Hidden")}};
    for (const auto& [place, text] : places) {
        QAction* action = legend->addAction(text);
        action->setCheckable(true);
        action->setData(static_cast<int>(place));
        action->setChecked(place == m_legend);
        m_legendGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, place = place] { SetLegend(place); });
    }
    view->addSeparator();
    QAction* panel = m_panelDock->toggleViewAction();
    panel->setText(tr("Chart &Panel"));
    view->addAction(panel);
    QAction* sky = m_skyDock->toggleViewAction();
    sky->setText(tr("&Sky Events Panel"));
    view->addAction(sky);
}

void CPriceChartWindow::FillBodies(std::map<QString, bool> checked) {
    const Frame frame = static_cast<Frame>(m_frame->currentData().toInt());
    for (int i = 0; i < m_bodies->count(); ++i)
        checked[m_bodies->item(i)->text()] = m_bodies->item(i)->checkState() == Qt::Checked;
    const QSignalBlocker block(m_bodies);
    m_bodies->clear();
    for (const Body& body : Bodies()) {
        const int code = BodyCode(body, frame);
        if (code == 0) continue;
        const QString name = QString::fromLatin1(body.name);
        const auto color = m_colors.find(name);
        const COLORREF shown =
            color != m_colors.end() ? color->second : prices::DefaultBodyColor(code);
        auto* item = new QListWidgetItem(Swatch(shown), name, m_bodies);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(checked[name] ? Qt::Checked : Qt::Unchecked);
        item->setData(kCodeRole, code);
        item->setData(kColorRole, static_cast<uint>(shown));
    }
}

prices::ChartOptions CPriceChartWindow::PanelOptions() const {
    prices::ChartOptions options;
    options.style = static_cast<prices::BarStyle>(m_style->currentData().toInt());
    options.logScale = m_log->isChecked();
    options.lines.frame = static_cast<Frame>(m_frame->currentData().toInt());
    options.lines.source = static_cast<PositionSource>(m_source->currentData().toInt());
    options.lines.unitsPerCircle = m_units->value();
    options.lines.offset = m_offset->value();
    options.lines.harmonics = m_harmonics;
    for (int i = 0; i < m_bodies->count(); ++i) {
        const QListWidgetItem* item = m_bodies->item(i);
        if (item->checkState() != Qt::Checked) continue;
        const int code = item->data(kCodeRole).toInt();
        options.bodies.push_back({code, static_cast<COLORREF>(item->data(kColorRole).toUInt())});
        options.lines.bodies.push_back(code);
    }
    // The file's name without its folder: the command line draws the same chart when given
    // the file from its folder (or this --title).
    options.title = QFileInfo(m_path).fileName().toStdString();
    options.legend = m_legend;
    options.lineLabels = m_labelsAction->isChecked();
    options.volumePane = m_volumeAction->isChecked();
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        if (m_panes[i]->isChecked()) options.panes.push_back(prices::PaneKinds()[i]);
    }
    options.markers = m_sky.markers;
    options.spans = m_sky.spans;
    return options;
}

void CPriceChartWindow::Apply(const PriceChartSettings* restored) {
    if (restored != nullptr && restored->options.logScale) {
        // A saved log axis comes back only while the file still allows one.
        const prices::ChartWindow window =
            restored->window ? *restored->window : prices::FitWindow(*m_series, true);
        if (prices::CheckChart(*m_series, window, true).empty()) {
            const QSignalBlocker block(m_log);
            m_log->setChecked(true);
        }
    }
    const prices::ChartOptions options = PanelOptions();
    const std::string problem = prices::CheckLineSettings(options.lines);
    if (!problem.empty()) {
        ShowPanelMessage(QString::fromStdString(problem));
        return;
    }
    ShowPanelMessage({});
    const bool axisChanged = options.logScale != m_view->Options().logScale;
    m_view->SetOptions(options);
    if (restored != nullptr && restored->window &&
        prices::CheckChart(*m_series, *restored->window, options.logScale).empty()) {
        m_view->SetChartWindow(*restored->window);
    } else if (axisChanged) {
        m_view->FitAll();
    }
}

void CPriceChartWindow::ApplyLogScale(bool on) {
    prices::ChartOptions options = m_view->Options();
    if (on) {
        prices::ChartWindow window =
            prices::FitPricesToTimes(*m_series, m_view->ChartWindow(), true);
        if (window.priceLow <= 0.0) {
            // No bar in view to fit to: the prices of the whole series.
            const prices::ChartWindow all = prices::FitWindow(*m_series, true);
            window.priceLow = all.priceLow, window.priceHigh = all.priceHigh;
        }
        const std::string problem = prices::CheckChart(*m_series, window, true);
        if (!problem.empty()) {
            {
                const QSignalBlocker block(m_log);
                m_log->setChecked(false);
            }
            m_host.ShowMessage(QString::fromStdString(problem));
            return;
        }
        options.logScale = true;
        m_view->SetOptions(options);
        m_view->SetChartWindow(window);
    } else {
        options.logScale = false;
        m_view->SetOptions(options);
        m_view->SetChartWindow(prices::FitPricesToTimes(*m_series, m_view->ChartWindow(), false));
    }
}

void CPriceChartWindow::ApplyHarmonics() {
    std::vector<double> harmonics;
    std::string error;
    if (!pricewin::ParseHarmonics(m_harmonicsEdit->text().toStdString(), harmonics, error)) {
        ShowPanelMessage(QString::fromStdString(error));
        return;
    }
    m_harmonics = std::move(harmonics);
    {
        const QSignalBlocker block(m_harmonicsEdit);
        m_harmonicsEdit->setText(QString::fromStdString(pricewin::FormatHarmonics(m_harmonics)));
    }
    Apply();
}

void CPriceChartWindow::ShowPanelMessage(const QString& text) {
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
}

QString CPriceChartWindow::PanelMessage() const {
    return m_message->text();
}

QString CPriceChartWindow::ReadoutText() const {
    const QString text = m_readout->text();
    return text == CPriceChartView::Hint() ? QString() : text;
}

const prices::ChartOptions& CPriceChartWindow::Options() const {
    return m_view->Options();
}

void CPriceChartWindow::ChooseColor(QListWidgetItem* item) {
    const COLORREF current = static_cast<COLORREF>(item->data(kColorRole).toUInt());
    const QColor chosen =
        QColorDialog::getColor(QColorOf(current), this, tr("Colour of %1").arg(item->text()));
    if (!chosen.isValid()) return;
    SetBodyColor(item->text(), RGB(chosen.red(), chosen.green(), chosen.blue()));
}

void CPriceChartWindow::SetBodyColor(const QString& name, COLORREF color) {
    m_colors[name] = color;
    for (int i = 0; i < m_bodies->count(); ++i) {
        QListWidgetItem* item = m_bodies->item(i);
        if (item->text() != name) continue;
        const QSignalBlocker block(m_bodies);
        item->setData(kColorRole, static_cast<uint>(color));
        item->setIcon(Swatch(color));
    }
    Apply();
}

bool CPriceChartWindow::ExportTo(const QString& path, QSize size, QString& error) const {
    return ExportChart(
        path, m_view->Options().title, size.isEmpty() ? m_view->size() : size,
        [this](CDrawingDevice& device, int width, int height) {
            m_view->DrawOn(device, width, height);
        },
        error);
}

QPrinter& CPriceChartWindow::Printer() {
    return m_printing.Printer();
}

void CPriceChartWindow::PrintTo(QPrinter& printer) const {
    PrintChart(printer, [this](CDrawingDevice& device, int width, int height) {
        m_view->DrawOn(device, width, height);
    });
}

void CPriceChartWindow::OnExport() {
    const QFileInfo data(m_path);
    const QString path =
        AskChartExportPath(this, tr("Export Chart"), data.absolutePath(), data.completeBaseName());
    if (path.isEmpty()) return;
    QString error;
    if (!ExportTo(path, {}, error)) m_host.ShowMessage(error);
}

void CPriceChartWindow::OnCopy() {
    QApplication::clipboard()->setImage(
        ChartImage(m_view->size(), [this](CDrawingDevice& device, int width, int height) {
            m_view->DrawOn(device, width, height);
        }));
}

void CPriceChartWindow::SaveSettings() {
    if (m_store == nullptr) return;
    PriceChartSettings settings;
    settings.options = m_view->Options();
    settings.options.markers.clear();
    settings.options.spans.clear();
    settings.window = m_view->ChartWindow();
    settings.tradingDays = m_view->TradingDays();
    settings.fitPrices = m_view->FitPrices();
    if (!m_store->Save(m_path, settings)) {
        statusBar()->showMessage(
            tr("The chart's settings could not be kept in %1").arg(m_store->Path()));
    }
}

void CPriceChartWindow::closeEvent(QCloseEvent* event) {
    JoinWorkers();
    // A file that never showed keeps the choices it had.
    if (!m_series->bars.empty()) SaveSettings();
    m_saved = true;
    event->accept();
}

CPriceChartWindow* OpenPriceChart(const QString& path, CPriceChartSettingsStore* store,
                                  caelvane::CQtHostServices& host, QWidget* parent,
                                  PositionSource source, bool onlyIfBars) {
    const QString key = CPriceChartSettingsStore::Key(path);
    if (parent != nullptr) {
        for (CPriceChartWindow* open :
             parent->findChildren<CPriceChartWindow*>(Qt::FindDirectChildrenOnly)) {
            if (CPriceChartSettingsStore::Key(open->DataPath()) != key) continue;
            open->show();
            open->raise();
            open->activateWindow();
            return open;
        }
    }
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        // A pipe or a device may never end, or never open.
        if (!onlyIfBars) host.ShowMessage(QObject::tr("%1: not a regular file").arg(path));
        return nullptr;
    }
    if (info.exists() && info.size() >= kReadInWorkerBytes) {
        // Large: read behind the window's progress.
        auto* window = new CPriceChartWindow(nullptr, path, store, host, parent, source);
        window->StartReading(onlyIfBars);
        window->show();
        window->raise();
        window->activateWindow();
        return window;
    }
    // One reading tells both whether the file is whole and what its good rows would give.
    prices::ReadOptions options;
    options.skipBadRows = true;
    auto series = std::make_shared<prices::PriceSeries>();
    const prices::ReadReport report =
        prices::ReadOhlcFile(QFile::encodeName(path).toStdString(), options, *series);
    if (!AcceptReading(report, path, host, onlyIfBars)) return nullptr;
    auto* window = new CPriceChartWindow(std::move(series), path, store, host, parent, source);
    window->NoteReading(report);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
