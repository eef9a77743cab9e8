#include "app/events_window.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <string_view>

#include "app/julian_name.h"
#include "app/window_placement.h"
#include "ephemeris/calendar.h"
#include "events/event_writers.h"
#include "events/job_aspects.h"
#include "job/caelvane_doc.h"
#include "job/job_type.h"
#include "platform/atomic_file.h"

#ifdef CAELVANE_WITH_NATAL
#include "natal/chart_file.h"
#include "natal/natal_chart.h"
#endif

using events::EventKind;
using events::KindBit;
using events::SkyEvent;

namespace {

double JedOf(const QDate& date) {
    return JulianDate(date.month(), date.day(), date.year(), 0, 0);
}

QDate DateOf(double jed) {
    const events::CivilTime t = events::CivilFromJed(jed);
    return QDate(t.year, t.month, t.day);
}

double TodayJed() {
    return JedOf(QDate::currentDate());
}

// The time as the table shows it; a day before the Gregorian reform also by its Julian name.
QString TimeText(double jed, bool local) {
    const qint64 seconds = events::UnixSeconds(jed);
    if (!local) {
        const caelvane::CivilDate day = caelvane::CivilDateOfJed(jed);
        const QString julian = JulianNameOf(QDate(day.year, day.month, day.day));
        QString text = QString::fromStdString(events::FormatUtc(jed))
                           .replace(QLatin1Char('T'), QLatin1Char(' '))
                           .replace(QLatin1Char('Z'), QStringLiteral(" UTC"));
        return julian.isEmpty() ? text : text + QStringLiteral(" (%1)").arg(julian);
    }
    const QDateTime time = QDateTime::fromSecsSinceEpoch(seconds).toLocalTime();
    const QString text = time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss t"));
    const QString julian = JulianNameOf(time.date());
    return julian.isEmpty() ? text : text + QStringLiteral(" (%1)").arg(julian);
}

// The bodies in the order the summary names them: an aspect names the faster body first.
int FirstNamed(const SkyEvent& event) {
    return event.kind == EventKind::Aspect ? event.body2 : event.body1;
}
int SecondNamed(const SkyEvent& event) {
    return event.kind == EventKind::Aspect ? event.body1 : event.body2;
}

// "300 (sextile)": the arc as found, and the aspect users call it.
QString AngleText(const SkyEvent& event) {
    if (event.angle < 0) return {};
    QString text = QString::fromStdString(events::FormatAngle(event.angle));
    if (event.kind != EventKind::Aspect && event.kind != EventKind::Transit) return text;
    if (const auto name = events::AspectName(event.angle))
        text += QStringLiteral(" (%1)").arg(QString::fromStdString(*name));
    return text;
}

// Ranks that order names alphabetically, so that sorting compares small numbers.
template <std::size_t N>
std::array<int, N> AlphabeticRanks(const std::array<std::string, N>& names) {
    std::array<int, N> order{};
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return names[a] < names[b]; });
    std::array<int, N> rank{};
    for (std::size_t i = 0; i < N; ++i)
        rank[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    return rank;
}

int BodyRank(int code) {
    static const std::array<int, 25> kRanks = [] {
        std::array<std::string, 25> names;
        for (int code = -12; code <= 12; ++code)
            names[static_cast<std::size_t>(code + 12)] = events::BodyName(code);
        return AlphabeticRanks(names);
    }();
    return code >= -12 && code <= 12 ? kRanks[static_cast<std::size_t>(code + 12)] : 0;
}

int DetailRank(events::EventDetail detail) {
    constexpr std::size_t kCount = static_cast<std::size_t>(events::EventDetail::PossibleLunar) + 1;
    static const std::array<int, kCount> kRanks = [] {
        std::array<std::string, kCount> names;
        for (std::size_t i = 0; i < kCount; ++i)
            names[i] = events::DetailName(static_cast<events::EventDetail>(i));
        return AlphabeticRanks(names);
    }();
    return kRanks[static_cast<std::size_t>(detail)];
}

int KindRank(EventKind kind) {
    constexpr std::size_t kCount = events::kKindCount;
    static const std::array<int, kCount> kRanks = [] {
        std::array<std::string, kCount> names;
        for (std::size_t i = 0; i < kCount; ++i)
            names[i] = events::KindName(static_cast<EventKind>(i));
        return AlphabeticRanks(names);
    }();
    return kRanks[static_cast<std::size_t>(kind)];
}

int SignRank(int sign) {
    // Signs sort by name, as the column shows them; none first.
    static const std::array<int, 12> kRanks = [] {
        std::array<std::string, 12> names;
        for (int i = 0; i < 12; ++i) names[static_cast<std::size_t>(i)] = events::SignName(i);
        return AlphabeticRanks(names);
    }();
    return sign >= 0 && sign < 12 ? 1 + kRanks[static_cast<std::size_t>(sign)] : 0;
}

}  // namespace

// ---- the table model -------------------------------------------------------------------------

const char* CEventsTableModel::BodyNameAt(int index) {
    return index >= 0 && index < kBodyCount ? kBodyTable[index].name : "";
}

int CEventsTableModel::BodyIndex(int code) {
    return ::BodyIndex(code);
}

CEventsTableModel::CEventsTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void CEventsTableModel::SetEvents(std::vector<SkyEvent> events) {
    beginResetModel();
    m_events = std::move(events);
    Order();
    Filter();
    endResetModel();
}

const SkyEvent& CEventsTableModel::EventAt(int row) const {
    return m_events[static_cast<std::size_t>(m_rows[static_cast<std::size_t>(row)])];
}

void CEventsTableModel::SetKinds(events::KindSet kinds) {
    beginResetModel();
    m_kinds = kinds;
    Filter();
    endResetModel();
}

void CEventsTableModel::SetBodies(unsigned bodies) {
    beginResetModel();
    m_bodies = bodies & kAllBodies;
    Filter();
    endResetModel();
}

void CEventsTableModel::SetFrame(int frame) {
    beginResetModel();
    m_frame = frame;
    Filter();
    endResetModel();
}

void CEventsTableModel::SetLocalTimes(bool local) {
    if (local == m_local) return;
    m_local = local;
    if (!m_rows.empty())
        emit dataChanged(index(0, kTime), index(rowCount() - 1, kTime), {Qt::DisplayRole});
}

void CEventsTableModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= kColumns) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_sortColumn = column;
    m_sortOrder = order;
    Order();
    Filter();
    // Rows are not followed across a sort: the selection starts afresh.
    const QModelIndexList persistent = persistentIndexList();
    changePersistentIndexList(persistent, QModelIndexList(persistent.size()));
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CEventsTableModel::Order() {
    m_order.resize(m_events.size());
    std::iota(m_order.begin(), m_order.end(), 0);
    // The events come in time order, so a stable sort keeps that order among equals.
    const auto byKey = [&](auto key) {
        const bool descending = m_sortOrder == Qt::DescendingOrder;
        std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
            const auto ka = key(m_events[static_cast<std::size_t>(a)]);
            const auto kb = key(m_events[static_cast<std::size_t>(b)]);
            return descending ? kb < ka : ka < kb;
        });
    };
    switch (m_sortColumn) {
        case kTime:
            if (m_sortOrder == Qt::DescendingOrder) std::reverse(m_order.begin(), m_order.end());
            return;
        case kKind:
            return byKey([](const SkyEvent& e) { return KindRank(e.kind); });
        case kFrame:
            return byKey([](const SkyEvent& e) { return static_cast<int>(e.frame); });
        case kBody1:
            return byKey([](const SkyEvent& e) { return BodyRank(FirstNamed(e)); });
        case kBody2:
            return byKey([](const SkyEvent& e) { return BodyRank(SecondNamed(e)); });
        case kAngle:
            return byKey([](const SkyEvent& e) { return e.angle; });
        case kSign:
            return byKey([](const SkyEvent& e) { return SignRank(e.sign); });
        case kDetail:
            return byKey([](const SkyEvent& e) { return DetailRank(e.detail); });
        case kSummary: {
            // The summaries are made once for the sort and let go after it.
            std::vector<std::string> summaries(m_events.size());
            for (std::size_t i = 0; i < m_events.size(); ++i)
                summaries[i] = events::EventSummary(m_events[i]);
            const bool descending = m_sortOrder == Qt::DescendingOrder;
            std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
                const std::string& sa = summaries[static_cast<std::size_t>(a)];
                const std::string& sb = summaries[static_cast<std::size_t>(b)];
                return descending ? sb < sa : sa < sb;
            });
            return;
        }
        default:
            return;
    }
}

void CEventsTableModel::Filter() {
    m_rows.clear();
    const bool allBodies = m_bodies == kAllBodies;
    for (int index : m_order) {
        const SkyEvent& event = m_events[static_cast<std::size_t>(index)];
        if ((m_kinds & KindBit(event.kind)) == 0) continue;
        if (m_frame >= 0 && static_cast<int>(event.frame) != m_frame) continue;
        if (!allBodies) {
            const int first = BodyIndex(event.body1);
            const int second = BodyIndex(event.body2);
            const bool named = (first >= 0 && (m_bodies >> first & 1u) != 0) ||
                               (second >= 0 && (m_bodies >> second & 1u) != 0);
            if (!named) continue;
        }
        m_rows.push_back(index);
    }
}

int CEventsTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CEventsTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant CEventsTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role == Qt::TextAlignmentRole && index.column() == kAngle)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    const SkyEvent& event = EventAt(index.row());
    if (role == Qt::ToolTipRole) return QString::fromStdString(events::EventSummary(event));
    switch (index.column()) {
        case kTime:
            return TimeText(event.jed, m_local);
        case kKind:
            return QString::fromLatin1(events::KindName(event.kind));
        case kFrame:
            return QString::fromLatin1(FrameName(event.frame));
        case kBody1:
            return QString::fromLatin1(events::BodyName(FirstNamed(event)));
        case kBody2:
            if (event.kind == EventKind::Transit)
                return QString::fromStdString(events::SecondBodyName(event));
            return QString::fromLatin1(events::BodyName(SecondNamed(event)));
        case kAngle:
            return AngleText(event);
        case kSign:
            return QString::fromLatin1(events::SignName(event.sign));
        case kDetail:
            return QString::fromLatin1(events::DetailName(event.detail));
        case kSummary:
            return QString::fromStdString(events::EventSummary(event));
        default:
            return {};
    }
}

QVariant CEventsTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kTitles[kColumns] = {"Time",  "Kind", "Frame",  "Body 1", "Body 2",
                                                  "Angle", "Sign", "Detail", "Event"};
    return section >= 0 && section < kColumns ? tr(kTitles[section]) : QVariant();
}

// ---- the window ------------------------------------------------------------------------------

namespace {

// A menu of check boxes stays open while they are ticked, so that several can be chosen at once.
class CStayOpenMenu : public QMenu {
public:
    using QMenu::QMenu;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        QAction* action = activeAction();
        if (action != nullptr && action->isEnabled() && action->isCheckable()) {
            action->trigger();
            return;
        }
        QMenu::mouseReleaseEvent(event);
    }
};

}  // namespace

CEventsWindow::CEventsWindow(CCaelvaneDoc& doc, QWidget* parent,
                             std::optional<PositionSource> source)
    : QWidget(parent, Qt::Window), m_doc(doc) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Events - %1").arg(QString::fromStdString(doc.GetTitle())));
    m_angles = events::SignificantAngles(doc);
    double first = 0, last = 0;
    JobDateRange(doc, TodayJed(), first, last);

    m_from = new QDateEdit(this);
    m_to = new QDateEdit(this);
    for (QDateEdit* edit : {m_from, m_to}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        // Any year of four digits can be typed; the search refuses what it cannot take.
        edit->setDateRange(QDate(1000, 1, 1), QDate(9999, 12, 31));
        edit->setCalendarPopup(true);
        edit->setCurrentSection(QDateTimeEdit::YearSection);
    }
    m_from->setDate(DateOf(first));
    m_to->setDate(DateOf(last));
    m_source = new QComboBox(this);
    m_source->addItem(tr("Classic series"), static_cast<int>(PositionSource::Series));
    m_source->addItem(tr("Precise (Swiss Ephemeris)"), static_cast<int>(PositionSource::Precise));
    if (!PrecisePositionsAvailable()) {
        // Listed but not offered: the user sees that the build has no precise source.
        if (auto* items = qobject_cast<QStandardItemModel*>(m_source->model()))
            items->item(1)->setEnabled(false);
    }
    SetSource(source.value_or(events::DefaultEventSource()));
    m_find = new QPushButton(tr("&Find"), this);
    connect(m_find, &QPushButton::clicked, this, [this] { Search(); });

    m_kindButton = new QToolButton(this);
    m_kindButton->setPopupMode(QToolButton::InstantPopup);
    QStringList kinds;
    for (const EventKind kind : events::AllKinds())
        kinds << QString::fromLatin1(events::KindName(kind));
    m_kindMenu = CheckMenu(m_kindButton, kinds);
    m_bodyButton = new QToolButton(this);
    m_bodyButton->setPopupMode(QToolButton::InstantPopup);
    QStringList bodies;
    for (const Body& body : Bodies()) bodies << QString::fromLatin1(body.name);
    m_bodyMenu = CheckMenu(m_bodyButton, bodies);
    connect(m_kindMenu, &QMenu::triggered, this, [this](QAction* action) {
        CheckAll(m_kindMenu, action);
        events::KindSet set = 0;
        const auto actions = m_kindMenu->actions();
        for (int k = 0; k < events::kKindCount; ++k)
            if (actions[k]->isChecked()) set |= KindBit(static_cast<EventKind>(k));
        m_model->SetKinds(set);
        ShowFilterChoices();
        ShowCount();
    });
    connect(m_bodyMenu, &QMenu::triggered, this, [this](QAction* action) {
        CheckAll(m_bodyMenu, action);
        unsigned set = 0;
        const auto actions = m_bodyMenu->actions();
        for (int b = 0; b < CEventsTableModel::kBodyCount; ++b)
            if (actions[b]->isChecked()) set |= 1u << b;
        m_model->SetBodies(set);
        ShowFilterChoices();
        ShowCount();
    });
    // Transits need a chart; builds without horoscopes show the choice disabled.
    m_natalButton = new QToolButton(this);
    m_natalButton->setPopupMode(QToolButton::InstantPopup);
    auto* natalMenu = new QMenu(m_natalButton);
    natalMenu->addAction(tr("Choose &Chart..."), this, [this] { ChooseNatalChart(); });
    natalMenu->addAction(tr("&No Chart"), this, [this] { ClearNatalChart(); });
    m_natalButton->setMenu(natalMenu);
#ifndef CAELVANE_WITH_NATAL
    m_natalButton->setEnabled(false);
#endif
    m_natalButton->setToolTip(tr("The natal chart whose points transits are found to"));
    m_frame = new QComboBox(this);
    m_frame->addItem(tr("Both frames"), -1);
    m_frame->addItem(QStringLiteral("geo"), 0);
    m_frame->addItem(QStringLiteral("helio"), 1);
    m_local = new QCheckBox(tr("&Local times"), this);
    auto* exportCsv = new QPushButton(tr("Export &CSV..."), this);
    auto* exportIcs = new QPushButton(tr("Export &iCalendar..."), this);
    connect(exportCsv, &QPushButton::clicked, this, [this] { Export(false); });
    connect(exportIcs, &QPushButton::clicked, this, [this] { Export(true); });
    connect(m_frame, &QComboBox::currentIndexChanged, this, [this] {
        m_model->SetFrame(m_frame->currentData().toInt());
        ShowCount();
    });
    connect(m_local, &QCheckBox::toggled, this,
            [this](bool local) { m_model->SetLocalTimes(local); });

    m_model = new CEventsTableModel(this);
    m_table = new QTableView(this);
    m_table->setModel(m_model);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(kTime, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    // Every row is one line high: the view never measures rows it does not show.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    // Columns are sized from their widest possible text, not by reading every row.
    QHeaderView* header = m_table->horizontalHeader();
    const QFontMetrics metrics = m_table->fontMetrics();
    const QString widest[CEventsTableModel::kColumns] = {
        QStringLiteral("2024-12-31 23:59:59 UTC+00"),
        QStringLiteral("lunation"),
        QStringLiteral("helio"),
        QStringLiteral("Mercury"),
        QStringLiteral("natal Mercury"),
        QStringLiteral("135 (sesquiquadrate)"),
        QStringLiteral("Sagittarius"),
        QStringLiteral("lunar-penumbral"),
        QString()};
    for (int column = 0; column < CEventsTableModel::kSummary; ++column)
        header->resizeSection(
            column, std::max(metrics.horizontalAdvance(widest[column]),
                             metrics.horizontalAdvance(
                                 m_model->headerData(column, Qt::Horizontal).toString())) +
                        24);
    header->setSectionResizeMode(CEventsTableModel::kSummary, QHeaderView::Stretch);
    m_preferredWidth =
        metrics.horizontalAdvance(QStringLiteral("Mercury sesquiquadrate Chiron (helio)")) + 80;
    for (int column = 0; column < CEventsTableModel::kSummary; ++column)
        m_preferredWidth += header->sectionSize(column);
    connect(m_table, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { GoToRow(index.row()); });

    m_note = new QLabel(this);
    m_note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 1000);
    m_progress->setFormat(tr("Finding events... %p%"));
    m_progress->hide();
    m_cancelButton = new QPushButton(tr("Cancel"), this);
    m_cancelButton->hide();
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { Cancel(); });
    auto* progressTimer = new QTimer(this);
    connect(progressTimer, &QTimer::timeout, this, [this] {
        if (Searching()) m_progress->setValue(std::min(999, m_permille.load()));
    });
    progressTimer->start(100);

    auto* search = new QHBoxLayout;
    search->addWidget(new QLabel(tr("From"), this));
    search->addWidget(m_from);
    search->addWidget(JulianNameLabel(m_from));
    search->addWidget(new QLabel(tr("to"), this));
    search->addWidget(m_to);
    search->addWidget(JulianNameLabel(m_to));
    search->addWidget(m_source);
    search->addWidget(m_natalButton);
    search->addWidget(m_find);
    search->addStretch();
    auto* filters = new QHBoxLayout;
    filters->addWidget(m_kindButton);
    filters->addWidget(m_bodyButton);
    filters->addWidget(m_frame);
    filters->addWidget(m_local);
    filters->addStretch();
    filters->addWidget(exportCsv);
    filters->addWidget(exportIcs);
    auto* status = new QHBoxLayout;
    status->addWidget(m_note, 1);
    status->addWidget(m_progress, 1);
    status->addWidget(m_cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addLayout(filters);
    layout->addWidget(m_table);
    layout->addLayout(status);
    ShowFilterChoices();
    ClearNatalChart();
    FitOnScreen();
}

CEventsWindow::~CEventsWindow() {
    m_cancel = true;
    if (m_worker.joinable()) m_worker.join();
}

QMenu* CEventsWindow::CheckMenu(QToolButton* button, const QStringList& names) {
    auto* menu = new CStayOpenMenu(button);
    for (const QString& name : names) {
        QAction* action = menu->addAction(name);
        action->setCheckable(true);
        action->setChecked(true);
    }
    menu->addSeparator();
    // Told apart by their data: the menu's triggered signal checks them all or none (CheckAll).
    menu->addAction(tr("Check all"))->setData(true);
    menu->addAction(tr("Check none"))->setData(false);
    button->setMenu(menu);
    return menu;
}

void CEventsWindow::CheckAll(QMenu* menu, QAction* chosen) {
    if (chosen == nullptr || chosen->isCheckable() || !chosen->data().isValid()) return;
    const bool on = chosen->data().toBool();
    for (QAction* action : menu->actions())
        if (action->isCheckable()) action->setChecked(on);
}

void CEventsWindow::ShowFilterChoices() {
    const auto describe = [](QMenu* menu, const QString& all, const QString& what) {
        QStringList checked;
        int count = 0;
        for (QAction* action : menu->actions()) {
            if (!action->isCheckable()) continue;
            ++count;
            if (action->isChecked()) checked << action->text();
        }
        if (checked.size() == count) return all;
        if (checked.isEmpty()) return tr("No %1").arg(what);
        if (checked.size() <= 2) return checked.join(QStringLiteral(", "));
        return tr("%1 %2").arg(checked.size()).arg(what);
    };
    m_kindButton->setText(describe(m_kindMenu, tr("All kinds"), tr("kinds")));
    m_bodyButton->setText(describe(m_bodyMenu, tr("All bodies"), tr("bodies")));
}

void CEventsWindow::FitOnScreen() {
    PlaceOnParentScreen(*this, parentWidget(), QSize(m_preferredWidth, 640));
}

QString CEventsWindow::Note() const {
    return m_note->text();
}

PositionSource CEventsWindow::Source() const {
    return static_cast<PositionSource>(m_source->currentData().toInt());
}

void CEventsWindow::SetSource(PositionSource source) {
    if (source == PositionSource::Precise && !PrecisePositionsAvailable())
        source = PositionSource::Series;
    m_source->setCurrentIndex(m_source->findData(static_cast<int>(source)));
}

void CEventsWindow::SetRange(const QDate& from, const QDate& to) {
    m_from->setDate(from);
    m_to->setDate(to);
}

void CEventsWindow::Search(bool wait) {
    if (Searching()) return;
    const double from = JedOf(m_from->date());
    const double to = JedOf(m_to->date()) + 1;
    if (to <= from) {
        m_note->setText(tr("The range ends before it starts."));
        return;
    }
    if (to - from > events::kMaxRangeDays) {
        m_note->setText(tr("The range spans %1 years: the largest range a search takes is 1000 "
                           "years.")
                            .arg(std::lround((to - from) / 365.25)));
        return;
    }
    events::FinderOptions options;
    options.startJed = from;
    options.endJed = to;
    options.angles = m_angles;
    options.natalPoints = m_natalPoints;
    options.source = Source();
    m_searchDescription = PositionSourceDescription(options.source);
    m_cancel = false;
    m_permille = 0;
    m_note->setText(tr("Searching..."));
    m_find->setEnabled(false);
    // Returns the failure, if any; the events wait in m_pending for the window's thread.
    const auto run = [this, options]() -> std::pair<bool, QString> {
        try {
            auto result = events::FindEvents(options, [this](double fraction) {
                m_permille = static_cast<int>(fraction * 1000);
                return !m_cancel.load();
            });
            m_pending = std::move(result.events);
            return {result.cancelled, QString()};
        } catch (const std::exception& failure) {
            m_pending.clear();
            return {true, QString::fromLocal8Bit(failure.what())};
        }
    };
    if (wait) {
        const auto [cancelled, failure] = run();
        OnSearchDone(cancelled, failure);
        return;
    }
    m_progress->setValue(0);
    m_progress->show();
    m_cancelButton->show();
    m_cancelButton->setEnabled(true);
    m_worker = std::thread([this, run] {
        const auto [cancelled, failure] = run();
        QMetaObject::invokeMethod(
            this, [this, cancelled, failure] { OnSearchDone(cancelled, failure); },
            Qt::QueuedConnection);
    });
}

bool CEventsWindow::SetNatalChart(const QString& path, const QString& name, QString& error) {
#ifdef CAELVANE_WITH_NATAL
    std::vector<natal::Horoscope> charts;
    std::string failure;
    if (!natal::LoadChartFile(path.toStdString(), charts, failure)) {
        error = QString::fromStdString(failure);
        return false;
    }
    int index = 0;
    if (name.isEmpty()) {
        if (charts.size() != 1) {
            error = charts.empty()
                        ? tr("\"%1\" holds no chart.").arg(path)
                        : tr("\"%1\" holds %2 charts: choose one.").arg(path).arg(charts.size());
            return false;
        }
    } else {
        index = natal::FindChart(charts, name.toStdString());
        if (index < 0) {
            error = tr("No chart named '%1' in \"%2\".").arg(name, path);
            return false;
        }
    }
    const natal::Horoscope& horoscope = charts[static_cast<std::size_t>(index)];
    natal::NatalChart chart;
    if (!natal::ComputeNatalChart(horoscope, std::nullopt, chart, failure)) {
        error = tr("Chart '%1': %2")
                    .arg(QString::fromStdString(horoscope.name), QString::fromStdString(failure));
        return false;
    }
    m_natalPoints.clear();
    for (const natal::ChartPoint& point : natal::TransitTargets(chart))
        m_natalPoints.push_back({point.name, natal::Normalize(point.longitude)});
    m_natalName = QString::fromStdString(horoscope.name);
    m_natalButton->setText(tr("Transits to %1").arg(m_natalName));
    return true;
#else
    error = tr("Horoscopes are not part of this build (\"%1\", '%2').").arg(path, name);
    return false;
#endif
}

void CEventsWindow::ClearNatalChart() {
    m_natalPoints.clear();
    m_natalName.clear();
    m_natalButton->setText(tr("No transits"));
}

void CEventsWindow::ChooseNatalChart() {
#ifdef CAELVANE_WITH_NATAL
    const QString path = QFileDialog::getOpenFileName(this, tr("Transits to a Chart"), QString(),
                                                      tr("Horoscopes (*.json)"));
    if (path.isEmpty()) return;
    std::vector<natal::Horoscope> charts;
    std::string failure;
    QString name;
    if (natal::LoadChartFile(path.toStdString(), charts, failure) && charts.size() > 1) {
        QStringList names;
        for (const natal::Horoscope& h : charts) names << QString::fromStdString(h.name);
        bool chosen = false;
        name = QInputDialog::getItem(this, tr("Transits to a Chart"), tr("&Chart:"), names, 0,
                                     false, &chosen);
        if (!chosen) return;
    }
    QString error;
    if (!SetNatalChart(path, name, error)) QMessageBox::warning(this, windowTitle(), error);
#endif
}

void CEventsWindow::Cancel() {
    if (!Searching()) return;
    m_cancel = true;
    m_cancelButton->setEnabled(false);
    m_note->setText(tr("Cancelling..."));
}

void CEventsWindow::OnSearchDone(bool cancelled, const QString& failure) {
    if (m_worker.joinable()) m_worker.join();
    m_progress->hide();
    m_cancelButton->hide();
    m_find->setEnabled(true);
    if (!failure.isEmpty()) {
        m_note->setText(tr("The search failed: %1").arg(failure));
    } else if (cancelled) {
        m_note->setText(tr("Search cancelled; the list is as it was."));
    } else {
        ShowEvents(std::move(m_pending));
    }
    m_pending = {};
    m_searchDescription.clear();
    emit searchFinished();
}

void CEventsWindow::ShowEvents(std::vector<SkyEvent> events) {
    // The source of the search that found them, or of the window's choice.
    m_shownDescription =
        m_searchDescription.empty() ? PositionSourceDescription(Source()) : m_searchDescription;
    // Times before the Gregorian reform carry their Julian name too: room for it.
    const double reform = caelvane::CivilJed(caelvane::kGregorianReform);
    const bool julian = std::any_of(events.begin(), events.end(),
                                    [reform](const SkyEvent& event) { return event.jed < reform; });
    m_model->SetEvents(std::move(events));
    QHeaderView* header = m_table->horizontalHeader();
    const QFontMetrics metrics = m_table->fontMetrics();
    const QString widest = julian ? QStringLiteral("1582-12-31 23:59:59 UTC+00 (Julian 1582-12-31)")
                                  : QStringLiteral("2024-12-31 23:59:59 UTC+00");
    header->resizeSection(CEventsTableModel::kTime,
                          std::max(header->sectionSize(CEventsTableModel::kTime),
                                   metrics.horizontalAdvance(widest) + 24));
    ShowCount();
}

void CEventsWindow::ShowCount() {
    if (Searching() || m_shownDescription.empty()) return;
    const int count = static_cast<int>(m_model->Events().size());
    const int shown = m_model->rowCount();
    const QString noun = count == 1 ? tr("event") : tr("events");
    const QString events = shown == count ? tr("%1 %2").arg(count).arg(noun)
                                          : tr("%1 of %2 %3 shown").arg(shown).arg(count).arg(noun);
    m_note->setText(
        tr("%1; positions: %2").arg(events, QString::fromStdString(m_shownDescription)));
}

void CEventsWindow::SetKindFilter(events::KindSet kinds) {
    const auto actions = m_kindMenu->actions();
    for (int k = 0; k < events::kKindCount; ++k)
        actions[k]->setChecked((kinds & KindBit(static_cast<EventKind>(k))) != 0);
    m_model->SetKinds(kinds);
    ShowFilterChoices();
    ShowCount();
}

void CEventsWindow::SetBodyFilter(const QStringList& bodies) {
    unsigned set = bodies.isEmpty() ? CEventsTableModel::kAllBodies : 0;
    for (int b = 0; b < CEventsTableModel::kBodyCount; ++b)
        if (bodies.contains(QString::fromLatin1(kBodyTable[b].name), Qt::CaseInsensitive))
            set |= 1u << b;
    const auto actions = m_bodyMenu->actions();
    for (int b = 0; b < CEventsTableModel::kBodyCount; ++b)
        actions[b]->setChecked((set >> b & 1u) != 0);
    m_model->SetBodies(set);
    ShowFilterChoices();
    ShowCount();
}

void CEventsWindow::SetFrameFilter(int frame) {
    m_frame->setCurrentIndex(std::max(0, m_frame->findData(frame)));
    m_model->SetFrame(frame);
    ShowCount();
}

void CEventsWindow::SetLocalTimes(bool local) {
    m_local->setChecked(local);
}

std::vector<SkyEvent> CEventsWindow::ShownEvents() const {
    std::vector<SkyEvent> shown;
    shown.reserve(static_cast<std::size_t>(m_model->rowCount()));
    for (int row = 0; row < m_model->rowCount(); ++row) shown.push_back(m_model->EventAt(row));
    return shown;
}

bool CEventsWindow::GoToRow(int row) {
    if (row < 0 || row >= m_model->rowCount()) return false;
    const SkyEvent& event = m_model->EventAt(row);
    double first = 0, last = 0;
    JobDateRange(m_doc, TodayJed(), first, last);
    // Pages are whole days: the event's day (UT) counted from the job's first day.
    const double day = std::floor(event.jed - 0.5) + 0.5;
    const long long page = std::llround(day - first) + 1;
    const long long pages = std::llround(last - first) + 1;
    const std::optional<JobType> type = JobTypeOf(m_doc);
    const bool paged = type && IsDateRange(*type);
    if (page < 1 || page > pages || (!paged && page != 1)) {
        m_note->setText(tr("The job has no page for %1.").arg(DateOf(day).toString(Qt::ISODate)));
        return false;
    }
    if (paged) m_doc.m_currentPage = static_cast<int>(page);
    m_doc.UpdateAllViews(nullptr, 0);
    m_note->setText(tr("Page %1: %2").arg(page).arg(DateOf(day).toString(Qt::ISODate)));
    return true;
}

bool CEventsWindow::ExportTo(const QString& path, bool calendar, QString& error) const {
    std::vector<SkyEvent> shown = ShownEvents();
    std::sort(shown.begin(), shown.end(), events::EventBefore);
    const double stamp = events::JedFromUnixSeconds(QDateTime::currentSecsSinceEpoch());
    // Written a slice at a time: a calendar of a century's events would be gigabytes as one text.
    constexpr std::size_t kSlice = 10000;
    caelvane::CAtomicFile file;
    bool written = file.Open(path.toStdString());
    std::string bytes =
        calendar ? events::ICalendarBegin() : std::string(events::kCsvHeader) + '\n';
    for (std::size_t at = 0; written && at <= shown.size(); at += kSlice) {
        const std::vector<SkyEvent> slice(
            shown.begin() + static_cast<std::ptrdiff_t>(at),
            shown.begin() + static_cast<std::ptrdiff_t>(std::min(shown.size(), at + kSlice)));
        if (calendar)
            events::AppendICalendarEvents(bytes, slice, stamp);
        else
            events::AppendCsvLines(bytes, slice);
        if (at + kSlice > shown.size() && calendar) bytes += events::ICalendarEnd();
        written = file.Write(bytes);
        bytes.clear();
    }
    if (written && file.Commit()) return true;
    error = QString::fromStdString(file.Failure().Message());
    return false;
}

void CEventsWindow::Export(bool calendar) {
    const QString path = QFileDialog::getSaveFileName(
        this, calendar ? tr("Export iCalendar") : tr("Export CSV"), QString(),
        calendar ? tr("iCalendar (*.ics)") : tr("CSV (*.csv)"));
    if (path.isEmpty()) return;
    QString error;
    if (!ExportTo(path, calendar, error)) QMessageBox::warning(this, windowTitle(), error);
}

CEventsWindow* OpenEventsWindow(CCaelvaneDoc& doc, QWidget* view,
                                std::optional<PositionSource> source) {
    auto* window = new CEventsWindow(doc, view, source);
    window->show();
    window->raise();
    window->activateWindow();
    window->Search();
    return window;
}
