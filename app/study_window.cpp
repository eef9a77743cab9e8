#include "app/study_window.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "ephemeris/bodies.h"
#include "events/event_finder.h"
#include "events/event_writers.h"
#include "platform/atomic_file.h"
#include "prices/ohlc_reader.h"
#include "render/qt_surface_writer.h"
#include "study/study_csv.h"
#include "study/study_groups.h"
#include "study/study_plots.h"

namespace {

using events::EventKind;
using namespace study;

// The kinds a study offers, with their labels: every kind but the transit, which needs a chart.
struct StudyKind {
    EventKind kind;
    const char* label;
};
constexpr StudyKind kStudyKinds[] = {{EventKind::Aspect, "Aspects"},
                                     {EventKind::Ingress, "Ingresses"},
                                     {EventKind::Station, "Stations"},
                                     {EventKind::Lunation, "Lunations"},
                                     {EventKind::Eclipse, "Eclipses"}};
// The kind filter's rows stand for the kinds by their place.
static_assert([] {
    for (std::size_t i = 0; i < std::size(kStudyKinds); ++i)
        if (static_cast<std::size_t>(kStudyKinds[i].kind) != i) return false;
    return true;
}());

// One row of the table: a group in one period at one horizon.
struct StudyRow {
    int group = 0, period = 0, horizon = 0;
};

QString Percent(double value) {
    return std::isnan(value) ? QString() : QString::number(value * 100, 'f', 3);
}

QString Stat(double value, int digits = 3) {
    return std::isnan(value) ? QString() : QString::number(value, 'g', digits);
}

}  // namespace

class CStudyTableModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void Reset(std::shared_ptr<StudyRun> run) {
        beginResetModel();
        m_run = std::move(run);
        m_rows.clear();
        if (m_run) {
            const auto& groups = m_run->result.groups;
            for (int g = 0; g < static_cast<int>(groups.size()); ++g)
                for (int k = 0; k < static_cast<int>(m_run->result.options.horizons.size()); ++k)
                    for (int p = 0; p < static_cast<int>(groups[g].periods.size()); ++p)
                        m_rows.push_back({g, p, k});
        }
        endResetModel();
    }
    const StudyRow& Row(int row) const { return m_rows.at(static_cast<std::size_t>(row)); }
    const HorizonStats& Stats(int row) const {
        const StudyRow& r = Row(row);
        return m_run->result.groups[r.group].periods[r.period].horizons[r.horizon];
    }
    const GroupResult& Group(int row) const { return m_run->result.groups[Row(row).group]; }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : CStudyWindow::kQ + 1;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const char* const kHeaders[] = {"Group",  "Period",   "Horizon", "n",
                                               "Mean %", "Excess %", "Hit",     "Baseline hit",
                                               "t",      "p",        "q"};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section <= CStudyWindow::kQ)
            return QString::fromLatin1(kHeaders[section]);
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || !m_run) return {};
        const StudyRow& r = Row(index.row());
        const GroupResult& group = m_run->result.groups[r.group];
        const PeriodStats& period = group.periods[r.period];
        const HorizonStats& s = period.horizons[r.horizon];
        if (role == Qt::UserRole) {  // what the columns sort by; untested rows sort last
            const double missing = std::numeric_limits<double>::infinity();
            switch (index.column()) {
                case CStudyWindow::kGroup:
                    return r.group;
                case CStudyWindow::kPeriod:
                    return static_cast<int>(period.period);
                case CStudyWindow::kHorizon:
                    return s.horizon;
                case CStudyWindow::kN:
                    return s.n;
                case CStudyWindow::kMean:
                    return std::isnan(s.mean) ? -missing : s.mean;
                case CStudyWindow::kExcess:
                    return std::isnan(s.excess) ? -missing : s.excess;
                case CStudyWindow::kHit:
                    return std::isnan(s.hitRate) ? -missing : s.hitRate;
                case CStudyWindow::kBaseHit:
                    return s.baselineHitRate;
                case CStudyWindow::kT:
                    return std::isnan(s.t) ? -missing : s.t;
                case CStudyWindow::kP:
                    return std::isnan(s.p) ? missing : s.p;
                case CStudyWindow::kQ:
                    return std::isnan(s.q) ? missing : s.q;
            }
        }
        if (role == Qt::TextAlignmentRole && index.column() > CStudyWindow::kPeriod)
            return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole) return {};
        switch (index.column()) {
            case CStudyWindow::kGroup:
                return QString::fromStdString(GroupLabel(group.key));
            case CStudyWindow::kPeriod:
                return QString::fromLatin1(PeriodName(period.period));
            case CStudyWindow::kHorizon:
                return s.horizon;
            case CStudyWindow::kN:
                return s.n;
            case CStudyWindow::kMean:
                return Percent(s.mean);
            case CStudyWindow::kExcess:
                return Percent(s.excess);
            case CStudyWindow::kHit:
                return Stat(s.hitRate);
            case CStudyWindow::kBaseHit:
                return Stat(s.baselineHitRate);
            case CStudyWindow::kT:
                return Stat(s.t);
            case CStudyWindow::kP:
                return Stat(s.p, 4);
            case CStudyWindow::kQ:
                return Stat(s.q, 4);
        }
        return {};
    }

private:
    std::shared_ptr<StudyRun> m_run;
    std::vector<StudyRow> m_rows;
};

class CStudyFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void Set(double maxQ, int kind) {
        m_maxQ = maxQ;
        m_kind = kind;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex&) const override {
        const auto* model = static_cast<const CStudyTableModel*>(sourceModel());
        if (m_kind >= 0 && static_cast<int>(model->Group(row).key.kind) != m_kind) return false;
        if (m_maxQ >= 1) return true;
        const double q = model->Stats(row).q;
        return !std::isnan(q) && q <= m_maxQ;
    }

private:
    double m_maxQ = 1;
    int m_kind = -1;
};

// A plot drawn by the study's drawing routines, at the widget's size.
class CStudyPlotView : public QWidget {
public:
    using Drawer = std::function<void(CDrawingDevice&, int width, int height)>;
    explicit CStudyPlotView(QWidget* parent) : QWidget(parent) { setMinimumSize(320, 220); }
    void SetDrawer(Drawer drawer) {
        m_drawer = std::move(drawer);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        if (!m_drawer) return;
        const SurfaceSize size{width(), height(), kPlotUnitsPerPixel};
        PaintSurface(painter, size, 1.0, [&](CDrawingDevice& device) {
            device.Begin();
            m_drawer(device, width(), height());
            device.End();
        });
    }

private:
    Drawer m_drawer;
};

CStudyWindow::CStudyWindow(PositionSource source, QWidget* parent)
    : QWidget(parent, Qt::Window), m_source(source) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Event Study"));
    resize(1100, 800);

    // The study: price file, events, horizons, split, draws.
    m_file = new QLineEdit(this);
    auto* browse = new QPushButton(tr("&Browse..."), this);
    connect(browse, &QPushButton::clicked, this, &CStudyWindow::Browse);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(browse);
    auto* kindRow = new QHBoxLayout;
    for (const StudyKind& study : kStudyKinds) {
        QCheckBox*& box = m_kinds[static_cast<int>(study.kind)];
        box = new QCheckBox(tr(study.label), this);
        kindRow->addWidget(box);
    }
    m_kinds[static_cast<int>(EventKind::Ingress)]->setChecked(true);
    m_kinds[static_cast<int>(EventKind::Station)]->setChecked(true);
    m_kinds[static_cast<int>(EventKind::Lunation)]->setChecked(true);
    m_bySign = new QCheckBox(tr("By &sign"), this);
    kindRow->addWidget(m_bySign);
    kindRow->addStretch(1);
    m_bodies = new QLineEdit(this);
    m_bodies->setPlaceholderText(tr("every body (or a list: Mars, Saturn, ...)"));
    m_frame = new QComboBox(this);
    m_frame->addItems({tr("Geocentric"), tr("Heliocentric"), tr("Both")});
    m_horizons = new QLineEdit(QStringLiteral("1,5,20"), this);
    m_splitOn = new QCheckBox(tr("Out of sample from"), this);
    m_split = new QDateEdit(QDate(2000, 1, 1), this);
    m_split->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_split->setEnabled(false);
    connect(m_splitOn, &QCheckBox::toggled, m_split, &QWidget::setEnabled);
    auto* splitRow = new QHBoxLayout;
    splitRow->addWidget(m_splitOn);
    splitRow->addWidget(m_split);
    splitRow->addStretch(1);
    m_draws = new QSpinBox(this);
    m_draws->setRange(1, 1000000);
    m_draws->setValue(10000);
    m_seed = new QSpinBox(this);
    m_seed->setRange(0, 1 << 30);
    m_seed->setValue(1);
    m_control = new QComboBox(this);
    m_control->addItems({tr("Shift (keeps the events' spacing)"), tr("Shuffle")});
    auto* drawRow = new QHBoxLayout;
    drawRow->addWidget(m_draws);
    drawRow->addWidget(new QLabel(tr("seed"), this));
    drawRow->addWidget(m_seed);
    drawRow->addWidget(m_control);
    drawRow->addStretch(1);
    auto* form = new QFormLayout;
    form->addRow(tr("Price &file"), fileRow);
    form->addRow(tr("Events"), kindRow);
    form->addRow(tr("B&odies"), m_bodies);
    form->addRow(tr("F&rame"), m_frame);
    form->addRow(tr("&Horizons (bars)"), m_horizons);
    form->addRow(tr("Split"), splitRow);
    form->addRow(tr("Random &draws"), drawRow);

    m_runButton = new QPushButton(tr("&Run"), this);
    connect(m_runButton, &QPushButton::clicked, this, [this] { Running() ? Cancel() : Run(); });
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_progress->setVisible(false);
    m_note = new QLabel(this);
    m_note->setWordWrap(true);
    auto* runRow = new QHBoxLayout;
    runRow->addWidget(m_runButton);
    runRow->addWidget(m_progress, 1);

    // The table and its filters.
    m_maxQ = new QDoubleSpinBox(this);
    m_maxQ->setRange(0.0, 1.0);
    m_maxQ->setSingleStep(0.01);
    m_maxQ->setDecimals(3);
    m_maxQ->setValue(1.0);
    m_maxQ->setSpecialValueText(QString());
    m_kindFilter = new QComboBox(this);
    m_kindFilter->addItem(tr("Every kind"));
    for (const StudyKind& study : kStudyKinds) m_kindFilter->addItem(tr(study.label));
    connect(m_maxQ, &QDoubleSpinBox::valueChanged, this, &CStudyWindow::SetQFilter);
    connect(m_kindFilter, &QComboBox::currentIndexChanged, this,
            [this](int index) { SetKindFilter(index - 1); });
    auto* exportTable = new QPushButton(tr("Export &Table..."), this);
    auto* exportPlots = new QPushButton(tr("Export &Plots..."), this);
    connect(exportTable, &QPushButton::clicked, this, &CStudyWindow::AskExportTable);
    connect(exportPlots, &QPushButton::clicked, this, &CStudyWindow::AskExportPlots);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(new QLabel(tr("q at most"), this));
    filterRow->addWidget(m_maxQ);
    filterRow->addWidget(m_kindFilter);
    filterRow->addStretch(1);
    filterRow->addWidget(exportTable);
    filterRow->addWidget(exportPlots);

    m_model = new CStudyTableModel(this);
    m_filter = new CStudyFilter(this);
    m_filter->setSourceModel(m_model);
    m_filter->setSortRole(Qt::UserRole);
    m_table = new QTableView(this);
    m_table->setModel(m_filter);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(kGroup, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(kGroup, QHeaderView::Stretch);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) SelectRow(current.row());
            });

    // The chosen row: plots and events.
    m_pathView = new CStudyPlotView(this);
    m_histogramView = new CStudyPlotView(this);
    m_events = new QListWidget(this);
    m_events->setToolTip(tr("Double click shows the event on the chart of the price file"));
    connect(m_events, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { ChooseEvent(m_events->row(item)); });
    m_recent = new QLabel(this);
    auto* eventsBox = new QWidget(this);
    auto* eventsLayout = new QVBoxLayout(eventsBox);
    eventsLayout->setContentsMargins(0, 0, 0, 0);
    eventsLayout->addWidget(m_recent);
    eventsLayout->addWidget(m_events, 1);
    auto* lower = new QSplitter(Qt::Horizontal, this);
    lower->addWidget(m_pathView);
    lower->addWidget(m_histogramView);
    lower->addWidget(eventsBox);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_table);
    split->addWidget(lower);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(runRow);
    layout->addWidget(m_note);
    layout->addLayout(filterRow);
    layout->addWidget(split, 1);
}

CStudyWindow::~CStudyWindow() {
    m_cancel = true;
    if (m_worker.joinable()) m_worker.join();
}

void CStudyWindow::SetPriceFile(const QString& path) {
    m_file->setText(path);
}

void CStudyWindow::SetKinds(events::KindSet kinds) {
    for (const StudyKind& study : kStudyKinds) {
        m_kinds[static_cast<int>(study.kind)]->setChecked((kinds & events::KindBit(study.kind)) !=
                                                          0);
    }
}

void CStudyWindow::SetDraws(int draws) {
    m_draws->setValue(draws);
}

void CStudyWindow::SetSplit(const QDate& date) {
    m_splitOn->setChecked(date.isValid());
    if (date.isValid()) m_split->setDate(date);
}

QString CStudyWindow::Note() const {
    return m_note->text();
}

int CStudyWindow::ShownRows() const {
    return m_filter->rowCount();
}

void CStudyWindow::SetQFilter(double maxQ) {
    if (m_maxQ->value() != maxQ) m_maxQ->setValue(maxQ);
    m_filter->Set(maxQ, m_kindFilter->currentIndex() - 1);
}

void CStudyWindow::SetKindFilter(int kind) {
    if (m_kindFilter->currentIndex() != kind + 1) m_kindFilter->setCurrentIndex(kind + 1);
    m_filter->Set(m_maxQ->value(), kind);
}

void CStudyWindow::Browse() {
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Price File"), m_file->text(), tr("Price files (*.csv *.txt);;All files (*)"));
    if (!path.isEmpty()) m_file->setText(path);
}

void CStudyWindow::Run(bool wait) {
    if (Running()) return;
    // What the controls ask for; mistakes are shown in the note and nothing runs.
    events::FinderOptions finder;
    finder.kinds = 0;
    for (const StudyKind& study : kStudyKinds)
        if (m_kinds[static_cast<int>(study.kind)]->isChecked())
            finder.kinds |= events::KindBit(study.kind);
    finder.geocentric = m_frame->currentIndex() != 1;
    finder.heliocentric = m_frame->currentIndex() != 0;
    finder.angles = {0, 60, 90, 120, 180, 240, 270, 300};
    finder.source = m_source;
    QString problem;
    for (const QString& name : m_bodies->text().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const Body* body = FindBody(name.trimmed().toStdString());
        if (body == nullptr) {
            problem = tr("Unknown body '%1'.").arg(name.trimmed());
            break;
        }
        for (int code : {body->geoCode, body->helioCode})
            if (code != 0) finder.bodies.push_back(code);
    }
    StudyOptions options;
    options.horizons.clear();
    for (const QString& text : m_horizons->text().split(QLatin1Char(','))) {
        bool ok = false;
        const int horizon = text.trimmed().toInt(&ok);
        if (!ok && problem.isEmpty()) problem = tr("Horizon '%1' is not a whole number.").arg(text);
        options.horizons.push_back(horizon);
    }
    if (finder.kinds == 0 && problem.isEmpty()) problem = tr("Choose at least one kind of event.");
    if (m_splitOn->isChecked()) {
        const QDate date = m_split->date();
        options.split =
            static_cast<prices::UnixSeconds>(DaysFromCivil(date.year(), date.month(), date.day())) *
            86400;
    }
    options.draws = m_draws->value();
    options.seed = static_cast<std::uint64_t>(m_seed->value());
    options.control = m_control->currentIndex() == 0 ? Control::Shift : Control::Shuffle;
    const std::string path = m_file->text().toStdString();
    if (path.empty() && problem.isEmpty()) problem = tr("Choose a price file.");
    if (!problem.isEmpty()) {
        m_note->setText(problem);
        return;
    }

    const bool bySign = m_bySign->isChecked();
    m_cancel = false;
    m_percent = 0;
    m_runButton->setText(tr("&Cancel"));
    m_progress->setValue(0);
    m_progress->setVisible(true);
    m_note->setText(tr("Studying..."));
    auto work = [this, path, finder, options, bySign]() mutable {
        auto run = std::make_shared<StudyRun>();
        prices::ReadOptions read;
        read.requirePositive = true;
        prices::PriceSeries series;
        const prices::ReadReport report = prices::ReadOhlcFile(path, read, series);
        if (!report.ok) return std::make_tuple(run, QString::fromStdString(report.error), false);
        if (auto bad = MakeStudyBars(series, run->bars))
            return std::make_tuple(run, QString::fromStdString(path + ": " + *bad), false);
        if (run->bars.times.empty())
            return std::make_tuple(run, QString::fromStdString(path + ": no bars"), false);
        if (auto bad = CheckStudyOptions(options, run->bars))
            return std::make_tuple(run, QString::fromStdString(path + ": " + *bad), false);
        finder.startJed =
            prices::JedOfSeconds(run->bars.times.front() - run->bars.times.front() % 86400);
        finder.endJed = prices::JedOfSeconds(run->bars.times.back() + 86400);
        events::FinderResult found;
        try {
            found = events::FindEvents(finder, [this](double fraction) {
                m_percent = static_cast<int>(fraction * 40);
                return !m_cancel.load();
            });
        } catch (const std::exception& failure) {
            return std::make_tuple(run, QString::fromUtf8(failure.what()), false);
        }
        if (found.cancelled) return std::make_tuple(run, QString(), true);
        const std::vector<EventGroup> groups = GroupEvents(found.events, bySign, finder.source);
        run->result = RunStudy(run->bars, groups, options, [this](double fraction) {
            m_percent = 40 + static_cast<int>(fraction * 60);
            return !m_cancel.load();
        });
        run->priceName = QFileInfo(QString::fromStdString(path)).fileName().toStdString();
        run->pricePath = path;
        run->source = finder.source;
        run->events = found.events.size();
        run->bothFrames = finder.geocentric && finder.heliocentric;
        return std::make_tuple(run, QString(), run->result.cancelled);
    };
    if (wait) {
        auto [run, error, cancelled] = work();
        OnDone(run, error, cancelled);
        return;
    }
    m_worker = std::thread([this, work]() mutable {
        auto [run, error, cancelled] = work();
        QMetaObject::invokeMethod(
            this, [this, run, error, cancelled] { OnDone(run, error, cancelled); },
            Qt::QueuedConnection);
    });
    auto* timer = new QTimer(m_progress);
    connect(timer, &QTimer::timeout, this, [this, timer] {
        m_progress->setValue(m_percent.load());
        if (!Running()) timer->deleteLater();
    });
    timer->start(100);
}

void CStudyWindow::Cancel() {
    m_cancel = true;
}

void CStudyWindow::OnDone(std::shared_ptr<StudyRun> run, QString error, bool cancelled) {
    if (m_worker.joinable()) m_worker.join();
    m_runButton->setText(tr("&Run"));
    m_progress->setVisible(false);
    if (!error.isEmpty() || cancelled) {
        m_note->setText(cancelled ? tr("Cancelled; the table shows the last finished study.")
                                  : error);
        emit studyFinished();
        return;
    }
    m_run = std::move(run);
    int outside = 0, duplicates = 0;
    for (const GroupResult& group : m_run->result.groups)
        for (const PeriodStats& period : group.periods) {
            outside += period.outside;
            duplicates += period.duplicates;
        }
    m_note->setText(
        tr("%1: %2 events in %3 groups (%4 positions); %5 left out (window off the file), %6 on a "
           "bar already counted. %7 rows tested with %8 random draws each (%9). p: the share of "
           "draws at least as far from the baseline; q: Benjamini-Hochberg over all %7 rows. "
           "Groups of fewer than 10 events have no p.")
            .arg(QString::fromStdString(m_run->priceName))
            .arg(m_run->events)
            .arg(m_run->result.groups.size())
            .arg(QString::fromLatin1(PositionSourceName(m_run->source)))
            .arg(outside)
            .arg(duplicates)
            .arg(m_run->result.rowsTested)
            .arg(m_run->result.options.draws)
            .arg(QString::fromLatin1(ControlName(m_run->result.options.control))));
    m_model->Reset(m_run);
    m_path = {};
    m_pathView->SetDrawer({});
    m_histogramView->SetDrawer({});
    m_events->clear();
    m_recent->clear();
    emit studyFinished();
}

void CStudyWindow::SelectRow(int proxyRow) {
    if (!m_run || proxyRow < 0 || proxyRow >= m_filter->rowCount()) return;
    const int source = m_filter->mapToSource(m_filter->index(proxyRow, 0)).row();
    const StudyRow& row = m_model->Row(source);
    if (m_table->currentIndex().row() != proxyRow) m_table->selectRow(proxyRow);
    ShowRow(row.group, row.period, row.horizon);
}

void CStudyWindow::ShowRow(int groupIndex, int periodIndex, int horizonIndex) {
    const StudyResult& result = m_run->result;
    const GroupResult& group = result.groups[groupIndex];
    const PeriodStats& period = group.periods[periodIndex];
    const int horizon = result.options.horizons[horizonIndex];
    std::string label = GroupLabel(group.key);
    if (period.period != Period::All) label += std::string(" (") + PeriodName(period.period) + ")";
    m_path = GroupPath(m_run->bars, result, groupIndex, periodIndex);
    m_rowReturns = GroupReturns(m_run->bars, period, horizon);
    m_rowBaseline = BaselineReturns(m_run->bars, result.options, period.period, horizon);
    m_pathTitle = m_run->priceName + ": " + label;
    m_histogramTitle =
        m_run->priceName + ": " + label + ", " + std::to_string(horizon) + "-bar returns";
    m_pathView->SetDrawer([this](CDrawingDevice& device, int width, int height) {
        DrawPathPlot(device, width, height, m_path, m_pathTitle);
    });
    m_histogramView->SetDrawer([this](CDrawingDevice& device, int width, int height) {
        DrawReturnHistogram(device, width, height, m_rowReturns, m_rowBaseline, m_histogramTitle);
    });

    m_events->clear();
    for (double jed : group.eventJeds) {
        const int bar = EventBar(m_run->bars, events::UnixSeconds(jed));
        const bool used = std::binary_search(period.bars.begin(), period.bars.end(), bar);
        QString line = QString::fromStdString(events::FormatUtc(jed));
        if (used) {
            const double r =
                m_run->bars.logClose[bar + horizon - 1] - m_run->bars.logClose[bar - 1];
            line += tr("   %1-bar return %2%").arg(horizon).arg(r * 100, 0, 'f', 2);
        } else if (bar >= 0 && !period.bars.empty() && bar >= period.bars.front() &&
                   bar <= period.bars.back()) {
            line += tr("   on a bar already counted");
        } else {
            line += tr("   left out");
        }
        auto* item = new QListWidgetItem(line, m_events);
        item->setData(Qt::UserRole, jed);
    }
    m_events->scrollToBottom();
    m_recent->setText(period.recentCount > 0
                          ? tr("Last %1 cases: mean %2%, hit rate %3")
                                .arg(period.recentCount)
                                .arg(period.recentMean[horizonIndex] * 100, 0, 'f', 3)
                                .arg(period.recentHitRate[horizonIndex], 0, 'f', 2)
                          : tr("No cases."));
}

bool CStudyWindow::ExportTable(const QString& path, QString& error) const {
    if (!m_run) {
        error = tr("There is no study to export.");
        return false;
    }
    CsvLayout layout;
    layout.frameColumn = m_run->bothFrames;
    std::string message;
    if (!caelvane::WriteFileAtomically(path.toStdString(), StudyCsv(m_run->result, layout),
                                       message)) {
        error = QString::fromStdString(message);
        return false;
    }
    return true;
}

bool CStudyWindow::ExportPlots(const QString& path, QString& error) const {
    if (m_path.mean.empty()) {
        error = tr("Choose a row of the table first.");
        return false;
    }
    const QFileInfo info(path);
    const QString suffix = info.suffix().toLower();
    if (suffix != QLatin1String("png") && suffix != QLatin1String("svg") &&
        suffix != QLatin1String("pdf")) {
        error = tr("%1: the name must end in .png, .svg or .pdf").arg(path);
        return false;
    }
    const QString histogram =
        info.dir().filePath(info.completeBaseName() + QStringLiteral("-histogram.") + suffix);
    const SurfaceSize size{900, 560, kPlotUnitsPerPixel};
    const auto write = [&](const QString& file, const std::string& title,
                           const SurfaceDrawer& draw) {
        std::string message;
        bool ok = false;
        if (suffix == QLatin1String("png"))
            ok = WriteSurfacePng(file.toStdString(), size, draw, message);
        else if (suffix == QLatin1String("svg"))
            ok = WriteSurfaceSvg(file.toStdString(), title, size, draw, message);
        else
            ok = WriteSurfacePdf(file.toStdString(), title, size, draw, message);
        if (!ok) error = QString::fromStdString(message);
        return ok;
    };
    return write(path, m_pathTitle,
                 [this, size](CDrawingDevice& device) {
                     device.Begin();
                     DrawPathPlot(device, size.width, size.height, m_path, m_pathTitle);
                     device.End();
                 }) &&
           write(histogram, m_histogramTitle, [this, size](CDrawingDevice& device) {
               device.Begin();
               DrawReturnHistogram(device, size.width, size.height, m_rowReturns, m_rowBaseline,
                                   m_histogramTitle);
               device.End();
           });
}

void CStudyWindow::AskExportTable() {
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Export Table"), QString(), tr("CSV files (*.csv)"));
    if (path.isEmpty()) return;
    QString error;
    if (!ExportTable(path, error)) QMessageBox::warning(this, windowTitle(), error);
}

void CStudyWindow::AskExportPlots() {
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Export Plots"), QString(),
        tr("PNG images (*.png);;SVG drawings (*.svg);;PDF documents (*.pdf)"));
    if (path.isEmpty()) return;
    QString error;
    if (!ExportPlots(path, error)) QMessageBox::warning(this, windowTitle(), error);
}

bool CStudyWindow::ChooseEvent(int row) {
    const QListWidgetItem* item = m_events->item(row);
    if (item == nullptr || !m_run) return false;
    const double jed = item->data(Qt::UserRole).toDouble();
    emit eventChosen(QString::fromStdString(m_run->pricePath),
                     static_cast<double>(events::UnixSeconds(jed)));
    return true;
}

CStudyWindow* OpenStudyWindow(PositionSource source, QWidget* parent) {
    auto* window = new CStudyWindow(source, parent);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
