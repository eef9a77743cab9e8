#include "app/price_chart_window.h"

#include <QAction>
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
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/price_chart_view.h"
#include "app/price_readout.h"
#include "ephemeris/body_names.h"
#include "ephemeris/position_source.h"
#include "platform/qt/qt_host_services.h"
#include "prices/ohlc_reader.h"
#include "render/qt_surface_writer.h"

namespace {

constexpr int kCodeRole = Qt::UserRole;
constexpr int kColorRole = Qt::UserRole + 1;  // COLORREF as uint
// A printed or previewed page is laid out as a screen of this resolution would show it.
constexpr double kLayoutDpi = 96.0;

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

CPriceChartWindow::CPriceChartWindow(std::shared_ptr<const prices::PriceSeries> series,
                                     const QString& path, CPriceChartSettingsStore* store,
                                     caelvane::CQtHostServices& host, QWidget* parent,
                                     PositionSource source)
    : QMainWindow(parent, Qt::Window),
      m_series(std::move(series)),
      m_path(path),
      m_store(store),
      m_host(host) {
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

    BuildPanel();
    BuildMenus();

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
    } else {
        const QSignalBlocker block(m_style), blockSource(m_source);
        m_source->setCurrentIndex(m_source->findData(static_cast<int>(source)));
        m_style->setCurrentIndex(m_style->findData(static_cast<int>(
            m_series->hasOhlc ? prices::BarStyle::Candles : prices::BarStyle::CloseLine)));
    }
    std::map<QString, bool> shown;
    if (restored) {
        for (const prices::BodyStyle& body : restored->options.bodies) {
            if (const BodyName* named = BodyOfCode(body.code)) {
                m_colors[QString::fromLatin1(named->name)] = body.color;
                shown[QString::fromLatin1(named->name)] = true;
            }
        }
    }
    FillBodies(shown);
    m_view->SetSeries(m_series);
    Apply(restored ? &*restored : nullptr);
    // Large, but whole on the screen, status bar included, and centred on it.
    const QRect screen =
        (parent != nullptr ? parent->screen() : this->screen())->availableGeometry();
    resize(std::min(1200, screen.width() * 9 / 10), std::min(760, screen.height() * 85 / 100));
    move(screen.center() - rect().center());
}

CPriceChartWindow::~CPriceChartWindow() {
    if (!m_saved) SaveSettings();
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
    });
    connect(m_source, &QComboBox::currentIndexChanged, this, [this] { Apply(); });
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
}

void CPriceChartWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* exportAction = file->addAction(tr("&Export..."), this, &CPriceChartWindow::OnExport);
    exportAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
    exportAction->setStatusTip(tr("Write the chart to a PDF, PNG or SVG file"));
    QAction* copy = file->addAction(tr("&Copy"), this, &CPriceChartWindow::OnCopy);
    copy->setShortcut(QKeySequence::Copy);
    copy->setStatusTip(tr("Put the chart on the clipboard as an image"));
    file->addSeparator();
    QAction* print = file->addAction(tr("&Print..."), this, &CPriceChartWindow::OnPrint);
    print->setShortcut(QKeySequence::Print);
    file->addAction(tr("Print Pre&view"), this, &CPriceChartWindow::OnPrintPreview);
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
    QAction* panel = m_panelDock->toggleViewAction();
    panel->setText(tr("Chart &Panel"));
    view->addAction(panel);
}

void CPriceChartWindow::FillBodies(std::map<QString, bool> checked) {
    const Frame frame = static_cast<Frame>(m_frame->currentData().toInt());
    for (int i = 0; i < m_bodies->count(); ++i)
        checked[m_bodies->item(i)->text()] = m_bodies->item(i)->checkState() == Qt::Checked;
    const QSignalBlocker block(m_bodies);
    m_bodies->clear();
    for (const BodyName& body : BodyNames()) {
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
    if (size.isEmpty()) size = m_view->size();
    const std::string file = QFile::encodeName(path).toStdString();
    const SurfaceSize surface{size.width(), size.height(), prices::kUnitsPerPixel};
    const SurfaceDrawer draw = [this, size](CDrawingDevice& device) {
        m_view->DrawOn(device, size.width(), size.height());
    };
    const QString suffix = QFileInfo(path).suffix().toLower();
    std::string message;
    bool written = false;
    if (suffix == QLatin1String("png")) {
        written = WriteSurfacePng(file, surface, draw, message);
    } else if (suffix == QLatin1String("svg")) {
        written = WriteSurfaceSvg(file, m_view->Options().title, surface, draw, message);
    } else if (suffix == QLatin1String("pdf")) {
        written = WriteSurfacePdf(file, m_view->Options().title, surface, draw, message);
    } else {
        error = tr("%1: the name ends in none of .pdf, .png and .svg").arg(path);
        return false;
    }
    if (!written) error = QString::fromStdString(message);
    return written;
}

QPrinter& CPriceChartWindow::Printer() {
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setPageSize(QPageSize(QPageSize::Letter));
        // A chart runs along time: wider than high.
        m_printer->setPageOrientation(QPageLayout::Landscape);
    }
    return *m_printer;
}

void CPriceChartWindow::PrintTo(QPrinter& printer) const {
    QPainter painter;
    if (!painter.begin(&printer)) return;
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const double scale = printer.resolution() / kLayoutDpi;
    const int width = std::max(1, static_cast<int>(page.width() / scale));
    const int height = std::max(1, static_cast<int>(page.height() / scale));
    PaintSurface(
        painter, {width, height, prices::kUnitsPerPixel}, scale,
        [this, width, height](CDrawingDevice& device) { m_view->DrawOn(device, width, height); });
}

void CPriceChartWindow::OnPrint() {
    QPrintDialog dialog(&Printer(), this);
    if (dialog.exec() == QDialog::Accepted) PrintTo(Printer());
}

void CPriceChartWindow::OnPrintPreview() {
    QPrintPreviewDialog dialog(&Printer(), this);
    dialog.resize(size() * 9 / 10);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { PrintTo(*printer); });
    dialog.exec();
}

void CPriceChartWindow::OnExport() {
    const QFileInfo data(m_path);
    QFileDialog dialog(this, tr("Export Chart"), data.absolutePath(),
                       tr("PDF document (*.pdf);;PNG image (*.png);;SVG drawing (*.svg)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.selectFile(data.completeBaseName() + QStringLiteral(".pdf"));
    // The filter chosen gives a name without an extension its own.
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        const qsizetype dot = filter.indexOf(QLatin1String("*."));
        if (dot >= 0) dialog.setDefaultSuffix(filter.mid(dot + 2, 3));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    QString error;
    if (!ExportTo(dialog.selectedFiles().constFirst(), {}, error)) m_host.ShowMessage(error);
}

void CPriceChartWindow::OnCopy() {
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

void CPriceChartWindow::SaveSettings() {
    if (m_store == nullptr) return;
    PriceChartSettings settings;
    settings.options = m_view->Options();
    settings.window = m_view->ChartWindow();
    if (!m_store->Save(m_path, settings)) {
        statusBar()->showMessage(
            tr("The chart's settings could not be kept in %1").arg(m_store->Path()));
    }
}

void CPriceChartWindow::closeEvent(QCloseEvent* event) {
    SaveSettings();
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
    const std::string file = QFile::encodeName(path).toStdString();
    auto series = std::make_shared<prices::PriceSeries>();
    prices::ReadOptions options;
    prices::ReadReport report = prices::ReadOhlcFile(file, options, *series);
    if (!report.ok) {
        const QString error = QString::fromStdString(report.error);
        // Whether leaving rows out would help is known only by trying: a file whose header
        // or layout is at fault fails again.
        options.skipBadRows = true;
        auto good = std::make_shared<prices::PriceSeries>();
        const prices::ReadReport retry = prices::ReadOhlcFile(file, options, *good);
        if (!retry.ok || retry.skipped == 0) {
            if (!onlyIfBars) host.ShowMessage(error);
            return nullptr;
        }
        const QString count = retry.skipped == 1 ? QObject::tr("the one row")
                                                 : QObject::tr("the %1 rows").arg(retry.skipped);
        const QString question =
            QObject::tr("%1\n\nKeep the good rows and leave out %2 that cannot be read?")
                .arg(error, count);
        if (host.AskYesNoCancel(question) != caelvane::CQtHostServices::Answer::Yes) return nullptr;
        host.ShowMessage(QObject::tr("%1: left out %2 bad %3; the first: %4")
                             .arg(path)
                             .arg(retry.skipped)
                             .arg(retry.skipped == 1 ? QObject::tr("row") : QObject::tr("rows"),
                                  QString::fromStdString(retry.firstSkipped)));
        series = std::move(good);
    }
    auto* window = new CPriceChartWindow(std::move(series), path, store, host, parent, source);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
