#include "app/natal_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/help_window.h"
#include "app/julian_name.h"
#include "app/natal_edit_dialog.h"
#include "app/natal_wheel_view.h"
#include "ephemeris/swiss/swiss_ephemeris.h"
#include "natal/chart_file.h"
#include "natal/natal_chart.h"
#include "platform/qt/qt_host_services.h"
#include "render/qt_surface_writer.h"

namespace {

constexpr const char* kHelpPage = "qrc:/help/natal_charts.html";
// A printed or previewed page is laid out as a screen of this resolution would show it.
constexpr double kLayoutDpi = 96.0;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// This minute, UTC.
std::int64_t NowMinute() {
    return QDateTime::currentSecsSinceEpoch() / 60 * 60;
}

QString DefaultSaveName(QWidget* parent, const QString& suggested) {
    QFileDialog dialog(parent, QObject::tr("Save Horoscopes"), suggested,
                       QObject::tr("Horoscopes (*.json);;All files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("json"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

natal::Horoscope NewHoroscope() {
    natal::Horoscope h;
    h.name = "New chart";
    const QDate today = QDate::currentDate();
    h.local.year = today.year(), h.local.month = today.month(), h.local.day = today.day();
    h.local.hour = 12;
    return h;
}

// The profile's keys.
constexpr const char* kProfileOrbs = "Horoscope/Orbs";
constexpr const char* kProfileHouses = "Horoscope/Houses";

}  // namespace

CNatalWindow::CNatalWindow(std::vector<natal::Horoscope> charts, const QString& path,
                           caelvane::CQtHostServices& host, QWidget* parent,
                           SaveNamePrompt askSaveName)
    : QMainWindow(parent, Qt::Window),
      m_charts(std::move(charts)),
      m_path(path),
      m_host(host),
      m_askSaveName(askSaveName ? std::move(askSaveName) : SaveNamePrompt(DefaultSaveName)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("natalWindow"));
    m_ringUtc = NowMinute();
    m_view = new CNatalWheelView(this);
    m_view->setObjectName(QStringLiteral("wheel"));
    m_scroll = new QScrollArea(this);
    m_scroll->setWidget(m_view);
    m_scroll->setWidgetResizable(true);
    m_scroll->setAlignment(Qt::AlignCenter);
    setCentralWidget(m_scroll);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("natalStatus"));
    statusBar()->addWidget(m_status, 1);
    m_source = new QLabel(this);
    m_source->setObjectName(QStringLiteral("source"));
    statusBar()->addPermanentWidget(m_source);
    m_source->setText(tr("Positions: %1").arg(Text(swiss::SwissDataDescription())));
    m_source->setToolTip(
        tr("The precise source; without its data files the library falls back "
           "to its analytic theory and Chiron is left out"));
    BuildPanel();
    BuildMenus();
    FillList();
    SelectChart(m_charts.empty() ? -1 : 0);
    UpdateTitle();
    // Large, but whole on the screen, status bar and frame included, and centred on it.
    const QRect screen =
        (parent != nullptr ? parent->screen() : this->screen())->availableGeometry();
    resize(std::min(1180, screen.width() * 9 / 10), std::min(960, screen.height() * 85 / 100));
    move(screen.center() - rect().center());
}

CNatalWindow::~CNatalWindow() = default;

void CNatalWindow::BuildPanel() {
    auto* panel = new QWidget(this);
    m_list = new QListWidget(panel);
    m_list->setObjectName(QStringLiteral("charts"));
    m_list->setToolTip(tr("The charts of the file; double click to edit one"));
    auto* add = new QPushButton(tr("&Add..."), panel);
    auto* edit = new QPushButton(tr("&Edit..."), panel);
    auto* duplicate = new QPushButton(tr("D&uplicate"), panel);
    auto* remove = new QPushButton(tr("De&lete"), panel);
    auto* buttons = new QGridLayout;
    buttons->addWidget(add, 0, 0);
    buttons->addWidget(edit, 0, 1);
    buttons->addWidget(duplicate, 1, 0);
    buttons->addWidget(remove, 1, 1);

    m_houses = new QComboBox(panel);
    m_houses->setObjectName(QStringLiteral("houseSystem"));
    m_houses->addItem(tr("The chart's own"), -1);
    for (const natal::HouseSystemInfo& info : natal::HouseSystems()) {
        m_houses->addItem(QString::fromLatin1(info.name), static_cast<int>(info.system));
    }
    m_ring = new QComboBox(panel);
    m_ring->setObjectName(QStringLiteral("ring"));
    m_ring->addItem(tr("None"), static_cast<int>(natal::RingKind::None));
    m_ring->addItem(tr("Transits"), static_cast<int>(natal::RingKind::Transits));
    m_ring->addItem(tr("Secondary progressions"), static_cast<int>(natal::RingKind::Progressions));
    m_ring->addItem(tr("Solar arc directions"), static_cast<int>(natal::RingKind::SolarArc));
    m_moment = new QDateTimeEdit(panel);
    m_moment->setObjectName(QStringLiteral("moment"));
    m_moment->setTimeSpec(Qt::UTC);
    m_moment->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
    m_moment->setMinimumDate(QDate(100, 1, 1));
    m_moment->setToolTip(
        tr("The moment of the transits (UTC), or the date of the progressions "
           "and directions"));
    auto* now = new QPushButton(tr("&Now"), panel);
    now->setToolTip(tr("Transits for this minute"));
    auto* form = new QFormLayout;
    form->addRow(tr("Ho&uses:"), m_houses);
    form->addRow(tr("&Second ring:"), m_ring);
    form->addRow(tr("&Moment (UTC):"), m_moment);
    form->addRow(QString(), JulianNameLabel(m_moment));
    form->addRow(QString(), now);
    auto* keys = new QLabel(StepKeys(), panel);
    keys->setWordWrap(true);
    keys->setObjectName(QStringLiteral("keys"));

    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    layout->addLayout(form);
    layout->addWidget(keys);

    auto* dock = new QDockWidget(tr("Charts"), this);
    dock->setObjectName(QStringLiteral("chartsPanel"));
    dock->setFeatures(QDockWidget::DockWidgetMovable);
    dock->setWidget(panel);
    addDockWidget(Qt::LeftDockWidgetArea, dock);

    connect(m_list, &QListWidget::currentRowChanged, this, [this] { Recompute(); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, &CNatalWindow::OnEditChart);
    connect(add, &QPushButton::clicked, this, &CNatalWindow::OnAddChart);
    connect(edit, &QPushButton::clicked, this, &CNatalWindow::OnEditChart);
    connect(duplicate, &QPushButton::clicked, this, [this] { DuplicateChart(CurrentChart()); });
    connect(remove, &QPushButton::clicked, this, [this] { DeleteChart(CurrentChart()); });
    connect(m_houses, &QComboBox::currentIndexChanged, this, [this] {
        const int data = m_houses->currentData().toInt();
        SetHouseOverride(data < 0 ? std::nullopt
                                  : std::optional(static_cast<natal::HouseSystem>(data)));
    });
    connect(m_ring, &QComboBox::currentIndexChanged, this,
            [this] { SetRing(static_cast<natal::RingKind>(m_ring->currentData().toInt())); });
    connect(m_moment, &QDateTimeEdit::dateTimeChanged, this,
            [this](const QDateTime& when) { SetRingMoment(when.toSecsSinceEpoch()); });
    connect(now, &QPushButton::clicked, this, [this] {
        if (m_ringKind == natal::RingKind::None) m_ringKind = natal::RingKind::Transits;
        SetRingMoment(NowMinute());
    });
}

void CNatalWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* save = file->addAction(tr("&Save"), this, &CNatalWindow::Save);
    save->setShortcut(QKeySequence::Save);
    file->addAction(tr("Save &As..."), this, [this] {
        const QString path = m_askSaveName(this, m_path);
        if (!path.isEmpty()) SaveAs(path);
    });
    file->addSeparator();
    QAction* exportAction = file->addAction(tr("&Export..."), this, &CNatalWindow::OnExport);
    exportAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
    exportAction->setStatusTip(tr("Write the wheel to a PDF, PNG or SVG file"));
    QAction* print = file->addAction(tr("&Print..."), this, [this] { m_printing.Print(); });
    print->setShortcut(QKeySequence::Print);
    file->addAction(tr("Print Pre&view"), this, [this] { m_printing.PrintPreview(); });
    file->addSeparator();
    QAction* close = file->addAction(tr("&Close"), this, &QWidget::close);
    close->setShortcut(QKeySequence(QStringLiteral("Ctrl+W")));

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QAction* copy = edit->addAction(tr("&Copy"), this, &CNatalWindow::OnCopy);
    copy->setShortcut(QKeySequence::Copy);
    copy->setStatusTip(tr("Put the wheel on the clipboard as an image"));

    // The drawing's own keys; the menu names them.
    QMenu* view = menuBar()->addMenu(tr("&View"));
    QAction* zoomIn = view->addAction(tr("Zoom &In"), this, [this] { Zoom(1.25); });
    zoomIn->setShortcuts(
        {QKeySequence(QStringLiteral("Ctrl++")), QKeySequence(QStringLiteral("Ctrl+="))});
    QAction* zoomOut = view->addAction(tr("Zoom &Out"), this, [this] { Zoom(0.8); });
    zoomOut->setShortcut(QKeySequence(QStringLiteral("Ctrl+-")));
    QAction* fit = view->addAction(tr("&Fit Window"), this, [this] { Zoom(0.0); });
    fit->setShortcut(QKeySequence(QStringLiteral("Ctrl+0")));

    QMenu* chart = menuBar()->addMenu(tr("&Chart"));
    QAction* add = chart->addAction(tr("&Add Chart..."), this, &CNatalWindow::OnAddChart);
    add->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
    QAction* editChart = chart->addAction(tr("&Edit Chart..."), this, &CNatalWindow::OnEditChart);
    editChart->setShortcut(QKeySequence(QStringLiteral("F2")));
    QAction* duplicate =
        chart->addAction(tr("D&uplicate Chart"), this, [this] { DuplicateChart(CurrentChart()); });
    duplicate->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
    chart->addAction(tr("&Delete Chart..."), this, [this] { DeleteChart(CurrentChart()); });
    chart->addSeparator();
    chart->addAction(tr("&Orbs..."), this, &CNatalWindow::OnOrbs);

    QMenu* ring = menuBar()->addMenu(tr("&Ring"));
    auto* kinds = new QActionGroup(this);
    m_ringActions = kinds;
    const std::pair<const char*, natal::RingKind> entries[] = {
        {"&None", natal::RingKind::None},
        {"&Transits", natal::RingKind::Transits},
        {"Secondary &Progressions", natal::RingKind::Progressions},
        {"Solar &Arc Directions", natal::RingKind::SolarArc}};
    for (const auto& [text, kind] : entries) {
        QAction* action = ring->addAction(tr(text));
        action->setCheckable(true);
        action->setData(static_cast<int>(kind));
        action->setChecked(kind == m_ringKind);
        kinds->addAction(action);
        connect(action, &QAction::triggered, this, [this, kind] { SetRing(kind); });
    }
    ring->addSeparator();
    struct StepEntry {
        const char* text;
        const char* key;
        Step step;
        int count;
    };
    // Window-wide keys: a text field with the focus keeps its own arrows.
    const StepEntry steps[] = {
        {"Next &Minute", "Ctrl+Shift+Right", Step::Minute, 1},
        {"Previous M&inute", "Ctrl+Shift+Left", Step::Minute, -1},
        {"Next &Hour", "Shift+Right", Step::Hour, 1},
        {"Previous H&our", "Shift+Left", Step::Hour, -1},
        {"Next &Day", "Ctrl+Right", Step::Day, 1},
        {"Previous Da&y", "Ctrl+Left", Step::Day, -1},
        {"Next Mont&h", "Ctrl+PgDown", Step::Month, 1},
        {"Previous Mon&th", "Ctrl+PgUp", Step::Month, -1},
    };
    for (const StepEntry& entry : steps) {
        QAction* action = ring->addAction(tr(entry.text));
        action->setShortcut(QKeySequence(QString::fromLatin1(entry.key)));
        action->setShortcutContext(Qt::WindowShortcut);
        const Step step = entry.step;
        const int count = entry.count;
        connect(action, &QAction::triggered, this, [this, step, count] { StepRing(step, count); });
    }

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    QAction* helpAction = help->addAction(tr("&Horoscope Window"), this, &CNatalWindow::OnHelp);
    helpAction->setShortcut(QKeySequence::HelpContents);
    SyncRingControls();
}

QString CNatalWindow::StepKeys() {
    return tr(
        "Step the ring: Ctrl+\u2190/\u2192 a day, Shift+\u2190/\u2192 an hour, "
        "Ctrl+Shift+\u2190/\u2192 a minute, Ctrl+PgUp/PgDn a month");
}

void CNatalWindow::FillList() {
    const QSignalBlocker block(m_list);
    m_list->clear();
    for (const natal::Horoscope& h : m_charts) {
        QString line = Text(h.name) + QStringLiteral("  ") + Text(natal::FormatDate(h.local));
        if (!h.timeUnknown) line += QLatin1Char(' ') + Text(natal::FormatTime(h.local)).left(5);
        if (!h.place.name.empty()) line += QStringLiteral("  ") + Text(h.place.name);
        m_list->addItem(line);
    }
}

int CNatalWindow::CurrentChart() const {
    return m_list->currentRow();
}

void CNatalWindow::SelectChart(int row) {
    if (row >= m_list->count()) row = m_list->count() - 1;
    {
        const QSignalBlocker block(m_list);
        m_list->setCurrentRow(row);
    }
    Recompute();
}

void CNatalWindow::UpdateTitle() {
    const QString name = m_path.isEmpty() ? tr("Untitled") : QFileInfo(m_path).fileName();
    setWindowTitle(tr("Horoscopes - %1[*]").arg(name));
}

void CNatalWindow::ShowStatus(const QString& text, bool problem) {
    m_status->setText(text);
    m_status->setStyleSheet(problem ? QStringLiteral("color: #b00000") : QString());
}

QString CNatalWindow::StatusText() const {
    return m_status->text();
}

QString CNatalWindow::SourceText() const {
    return m_source->text();
}

void CNatalWindow::Recompute() {
    const int row = CurrentChart();
    if (row < 0 || row >= static_cast<int>(m_charts.size())) {
        m_view->SetEmptyText(tr("No chart yet: Chart > Add Chart (Ctrl+N) enters one."));
        m_view->SetChart(std::nullopt, {});
        ShowStatus(StepKeys(), false);
        return;
    }
    natal::NatalChart chart;
    std::string error;
    if (!natal::ComputeNatalChart(m_charts[static_cast<std::size_t>(row)], m_houseOverride, chart,
                                  error)) {
        m_view->SetEmptyText(Text(error));
        m_view->SetChart(std::nullopt, {});
        ShowStatus(Text(error), true);
        return;
    }
    // The data files cover a span of years; outside it the library's analytic theory speaks.
    QString source = tr("Positions: %1").arg(Text(swiss::SwissDataDescription()));
    for (const std::string& note : chart.notes) {
        if (note.find("analytic theory") != std::string::npos) {
            source += tr(" (this chart: the analytic theory)");
        }
    }
    m_source->setText(source);
    natal::SecondRing ring;
    if (m_ringKind != natal::RingKind::None &&
        !natal::MakeSecondRing(chart, m_ringKind, natal::JulianDayOfUtc(m_ringUtc), ring, error)) {
        m_view->SetChart(std::move(chart), {});
        ShowStatus(Text(error), true);
        return;
    }
    m_view->SetChart(std::move(chart), std::move(ring));
    ShowStatus(StepKeys(), false);
}

void CNatalWindow::SyncRingControls() {
    const QSignalBlocker blockRing(m_ring), blockMoment(m_moment);
    m_ring->setCurrentIndex(m_ring->findData(static_cast<int>(m_ringKind)));
    m_moment->setDateTime(QDateTime::fromSecsSinceEpoch(m_ringUtc, Qt::UTC));
    for (QAction* action : m_ringActions->actions()) {
        action->setChecked(action->data().toInt() == static_cast<int>(m_ringKind));
    }
}

void CNatalWindow::SetRing(natal::RingKind kind) {
    m_ringKind = kind;
    SyncRingControls();
    Recompute();
}

void CNatalWindow::SetRingMoment(std::int64_t utcSeconds) {
    m_ringUtc = utcSeconds;
    SyncRingControls();
    Recompute();
}

void CNatalWindow::StepRing(Step step, int count) {
    // Stepping shows the transits when no ring is on.
    if (m_ringKind == natal::RingKind::None) m_ringKind = natal::RingKind::Transits;
    QDateTime when = QDateTime::fromSecsSinceEpoch(m_ringUtc, Qt::UTC);
    switch (step) {
        case Step::Minute:
            when = when.addSecs(60LL * count);
            break;
        case Step::Hour:
            when = when.addSecs(3600LL * count);
            break;
        case Step::Day:
            when = when.addDays(count);
            break;
        case Step::Month:
            when = when.addMonths(count);
            break;
    }
    SetRingMoment(when.toSecsSinceEpoch());
}

void CNatalWindow::SetHouseOverride(std::optional<natal::HouseSystem> system) {
    m_houseOverride = system;
    if (m_profile != nullptr)
        m_profile->setValue(QLatin1String(kProfileHouses),
                            system ? QString::fromLatin1(natal::InfoOf(*system).key) : QString());
    {
        const QSignalBlocker block(m_houses);
        m_houses->setCurrentIndex(m_houses->findData(system ? static_cast<int>(*system) : -1));
    }
    Recompute();
}

void CNatalWindow::Zoom(double factor) {
    const natal::WheelOptions& options = m_view->Options();
    if (factor <= 0.0) {
        m_zoom = 0.0;
        m_scroll->setWidgetResizable(true);
        return;
    }
    const double shown = m_zoom > 0.0
                             ? m_zoom
                             : std::min(static_cast<double>(m_view->width()) / options.width,
                                        static_cast<double>(m_view->height()) / options.height);
    m_zoom = std::clamp(shown * factor, 0.2, 4.0);
    m_scroll->setWidgetResizable(false);
    m_view->resize(static_cast<int>(options.width * m_zoom),
                   static_cast<int>(options.height * m_zoom));
}

void CNatalWindow::SetOrbs(const natal::OrbTable& orbs) {
    natal::WheelOptions options = m_view->Options();
    options.orbs = orbs;
    m_view->SetOptions(options);
    if (m_profile != nullptr)
        m_profile->setValue(QLatin1String(kProfileOrbs),
                            QString::fromStdString(natal::OrbTableText(orbs)));
}

void CNatalWindow::UseProfile(QSettings* profile) {
    m_profile = nullptr;
    if (profile != nullptr) {
        natal::OrbTable orbs;
        const std::string orbText =
            profile->value(QLatin1String(kProfileOrbs)).toString().toStdString();
        if (natal::ParseOrbTable(orbText, orbs)) SetOrbs(orbs);
        const QString houses = profile->value(QLatin1String(kProfileHouses)).toString();
        if (houses.isEmpty())
            SetHouseOverride(std::nullopt);
        else if (const auto system = natal::ParseHouseSystem(houses.toStdString()))
            SetHouseOverride(*system);
    }
    m_profile = profile;
}

bool CNatalWindow::Commit(int select) {
    FillList();
    SelectChart(select);
    if (m_path.isEmpty()) {
        setWindowModified(true);
        return Save();
    }
    std::string error;
    if (!natal::SaveChartFile(QFile::encodeName(m_path).toStdString(), m_charts, error)) {
        setWindowModified(true);
        m_host.ShowMessage(Text(error));
        return false;
    }
    setWindowModified(false);
    return true;
}

void CNatalWindow::OnAddChart() {
    natal::Horoscope start = NewHoroscope();
    const int row = CurrentChart();
    if (row >= 0 && row < static_cast<int>(m_charts.size())) {
        // A new chart starts from the place of the one shown, which is often the same.
        const natal::Horoscope& shown = m_charts[static_cast<std::size_t>(row)];
        start.place = shown.place;
        start.zone = shown.zone;
        start.houses = shown.houses;
    }
    start.name = natal::UnusedName(m_charts, start.name);
    CNatalEditDialog dialog(start, this);
    dialog.setWindowTitle(tr("Add Chart"));
    if (dialog.exec() == QDialog::Accepted) AddChart(dialog.Result());
}

void CNatalWindow::OnEditChart() {
    const int row = CurrentChart();
    if (row < 0 || row >= static_cast<int>(m_charts.size())) return;
    CNatalEditDialog dialog(m_charts[static_cast<std::size_t>(row)], this);
    dialog.setWindowTitle(tr("Edit Chart"));
    if (dialog.exec() == QDialog::Accepted) ReplaceChart(row, dialog.Result());
}

bool CNatalWindow::AddChart(const natal::Horoscope& horoscope) {
    m_charts.push_back(horoscope);
    return Commit(static_cast<int>(m_charts.size()) - 1);
}

bool CNatalWindow::ReplaceChart(int row, const natal::Horoscope& horoscope) {
    if (row < 0 || row >= static_cast<int>(m_charts.size())) return false;
    m_charts[static_cast<std::size_t>(row)] = horoscope;
    return Commit(row);
}

bool CNatalWindow::DuplicateChart(int row) {
    if (row < 0 || row >= static_cast<int>(m_charts.size())) return false;
    natal::Horoscope copy = m_charts[static_cast<std::size_t>(row)];
    copy.name = natal::UnusedName(m_charts, copy.name);
    m_charts.insert(m_charts.begin() + row + 1, copy);
    return Commit(row + 1);
}

bool CNatalWindow::DeleteChart(int row, bool ask) {
    if (row < 0 || row >= static_cast<int>(m_charts.size())) return false;
    if (ask) {
        const QString question =
            tr("Delete the chart '%1'?").arg(Text(m_charts[static_cast<std::size_t>(row)].name));
        if (m_host.AskYesNoCancel(question) != caelvane::CQtHostServices::Answer::Yes) {
            return false;
        }
    }
    m_charts.erase(m_charts.begin() + row);
    return Commit(std::min(row, static_cast<int>(m_charts.size()) - 1));
}

bool CNatalWindow::Save() {
    if (m_path.isEmpty()) {
        const QString path = m_askSaveName(this, tr("horoscopes.json"));
        if (path.isEmpty()) return false;
        return SaveAs(path);
    }
    return SaveAs(m_path);
}

bool CNatalWindow::SaveAs(const QString& path) {
    std::string error;
    if (!natal::SaveChartFile(QFile::encodeName(path).toStdString(), m_charts, error)) {
        m_host.ShowMessage(Text(error));
        return false;
    }
    m_path = path;
    setWindowModified(false);
    UpdateTitle();
    return true;
}

bool CNatalWindow::ExportTo(const QString& path, QString& error) const {
    if (!m_view->Chart()) {
        error = tr("%1: there is no chart to export").arg(path);
        return false;
    }
    const natal::WheelOptions& options = m_view->Options();
    const SurfaceSize surface{options.width, options.height, natal::kWheelUnitsPerPixel};
    const SurfaceDrawer draw = [this](CDrawingDevice& device) { m_view->DrawOn(device); };
    const std::string file = QFile::encodeName(path).toStdString();
    const std::string title = m_view->Chart()->horoscope.name;
    const QString suffix = QFileInfo(path).suffix().toLower();
    std::string message;
    bool written = false;
    if (suffix == QLatin1String("png")) {
        written = WriteSurfacePng(file, surface, draw, message);
    } else if (suffix == QLatin1String("svg")) {
        written = WriteSurfaceSvg(file, title, surface, draw, message);
    } else if (suffix == QLatin1String("pdf")) {
        written = WriteSurfacePdf(file, title, surface, draw, message);
    } else {
        error = tr("%1: the name ends in none of .pdf, .png and .svg").arg(path);
        return false;
    }
    if (!written) error = Text(message);
    return written;
}

QPrinter& CNatalWindow::Printer() {
    return m_printing.Printer();
}

bool CNatalWindow::PrintTo(QPrinter& printer) const {
    if (!m_view->Chart()) return true;
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const natal::WheelOptions& options = m_view->Options();
    // The wheel's own layout, scaled to fit the page and centred across it.
    const double scale = std::min(page.width() / options.width, page.height() / options.height);
    painter.translate((page.width() - options.width * scale) / 2.0, 0.0);
    PaintSurface(painter, {options.width, options.height, natal::kWheelUnitsPerPixel}, scale,
                 [this](CDrawingDevice& device) { m_view->DrawOn(device); });
    return true;
}

void CNatalWindow::OnExport() {
    if (!m_view->Chart()) return;
    const QString folder = m_path.isEmpty() ? QString() : QFileInfo(m_path).absolutePath();
    QString base = Text(m_view->Chart()->horoscope.name);
    base.replace(QLatin1Char('/'), QLatin1Char('-'));
    QFileDialog dialog(this, tr("Export Chart"), folder,
                       tr("PDF document (*.pdf);;PNG image (*.png);;SVG drawing (*.svg)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.selectFile(base + QStringLiteral(".pdf"));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        const qsizetype dot = filter.indexOf(QLatin1String("*."));
        if (dot >= 0) dialog.setDefaultSuffix(filter.mid(dot + 2, 3));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    QString error;
    if (!ExportTo(dialog.selectedFiles().constFirst(), error)) m_host.ShowMessage(error);
}

void CNatalWindow::OnCopy() {
    if (!m_view->Chart()) return;
    const natal::WheelOptions& options = m_view->Options();
    QImage image(options.width, options.height, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        PaintSurface(painter, {options.width, options.height, natal::kWheelUnitsPerPixel}, 1.0,
                     [this](CDrawingDevice& device) { m_view->DrawOn(device); });
    }
    QApplication::clipboard()->setImage(image);
}

void CNatalWindow::OnOrbs() {
    QDialog dialog(this);
    dialog.setWindowTitle(tr("Orbs"));
    auto* form = new QFormLayout;
    std::vector<QDoubleSpinBox*> boxes;
    const natal::OrbTable& current = m_view->Options().orbs;
    for (const natal::AspectInfo& info : natal::Aspects()) {
        auto* box = new QDoubleSpinBox(&dialog);
        box->setRange(0.0, 15.0);
        box->setDecimals(1);
        box->setSingleStep(0.5);
        box->setSuffix(QStringLiteral("\u00B0"));
        box->setValue(current.Of(info.kind));
        box->setToolTip(tr("0 leaves the aspect out"));
        QString name = QString::fromLatin1(info.name);
        name[0] = name[0].toUpper();
        form->addRow(QStringLiteral("%1 (%2\u00B0):").arg(name).arg(info.angle), box);
        boxes.push_back(box);
    }
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults,
        &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, &dialog,
            [&boxes] {
                std::size_t i = 0;
                for (const natal::AspectInfo& info : natal::Aspects()) {
                    boxes[i++]->setValue(info.defaultOrb);
                }
            });
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(tr("Orbs of the natal aspects; the second ring's are a "
                                    "quarter of these."),
                                 &dialog));
    layout->addLayout(form);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return;
    natal::OrbTable orbs;
    std::size_t i = 0;
    for (const natal::AspectInfo& info : natal::Aspects()) {
        orbs.orb[static_cast<std::size_t>(info.kind)] = boxes[i++]->value();
    }
    SetOrbs(orbs);
}

void CNatalWindow::OnHelp() {
    if (m_help == nullptr) m_help = new CHelpWindow(this);
    auto* help = static_cast<CHelpWindow*>(m_help);
    help->ShowContents();
    help->Browser()->setSource(QUrl(QString::fromLatin1(kHelpPage)));
}

void CNatalWindow::closeEvent(QCloseEvent* event) {
    if (isWindowModified() && !m_charts.empty()) {
        const QString name = m_path.isEmpty() ? tr("the new charts") : m_path;
        switch (m_host.AskYesNoCancel(tr("Save the changes to %1?").arg(name))) {
            case caelvane::CQtHostServices::Answer::Yes:
                if (!Save()) {
                    event->ignore();
                    return;
                }
                break;
            case caelvane::CQtHostServices::Answer::No:
                break;
            case caelvane::CQtHostServices::Answer::Cancel:
                event->ignore();
                return;
        }
    }
    event->accept();
}

CNatalWindow* OpenNatalWindow(const QString& path, caelvane::CQtHostServices& host, QWidget* parent,
                              CNatalWindow::SaveNamePrompt askSaveName, QSettings* profile) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (parent != nullptr && !canonical.isEmpty()) {
        for (CNatalWindow* open : parent->findChildren<CNatalWindow*>(Qt::FindDirectChildrenOnly)) {
            if (QFileInfo(open->FilePath()).canonicalFilePath() != canonical) continue;
            open->show();
            open->raise();
            open->activateWindow();
            return open;
        }
    }
    std::vector<natal::Horoscope> charts;
    std::string error;
    if (!natal::LoadChartFile(QFile::encodeName(path).toStdString(), charts, error)) {
        host.ShowMessage(Text(error));
        return nullptr;
    }
    auto* window = new CNatalWindow(std::move(charts), path, host, parent, std::move(askSaveName));
    window->UseProfile(profile);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

bool IsHoroscopeFileName(const QString& path) {
    return QFileInfo(path).suffix().compare(QLatin1String("json"), Qt::CaseInsensitive) == 0;
}

CNatalWindow* NewNatalWindow(caelvane::CQtHostServices& host, QWidget* parent,
                             CNatalWindow::SaveNamePrompt askSaveName, bool askFirst,
                             QSettings* profile) {
    auto* window = new CNatalWindow({}, QString(), host, parent, std::move(askSaveName));
    window->UseProfile(profile);
    window->show();
    window->raise();
    window->activateWindow();
    // The entries of the first chart once the window is up (the command returns first).
    if (askFirst) QTimer::singleShot(0, window, &CNatalWindow::OnAddChart);
    return window;
}

QString AskHoroscopeFileName(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QObject::tr("Open Horoscopes"), QString(),
                                        QObject::tr("Horoscopes (*.json);;All files (*)"));
}
