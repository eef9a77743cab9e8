#include "app/events_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "ephemeris/calendar.h"
#include "events/event_writers.h"
#include "events/job_aspects.h"
#include "job/caelvane_doc.h"
#include "platform/atomic_file.h"

using caelvane::events::SkyEvent;

namespace {

constexpr int kSortRole = Qt::UserRole;
constexpr int kIndexRole = Qt::UserRole + 1;  // the event's index in Events(), on column 0
constexpr int kKindRole = Qt::UserRole + 2;
constexpr int kFrameRole = Qt::UserRole + 3;

double JedOf(const QDate& date) {
    return JulianDate(date.month(), date.day(), date.year(), 0, 0);
}

QDate DateOf(double jed) {
    const caelvane::events::CivilTime t = caelvane::events::CivilFromJed(jed);
    return QDate(t.year, t.month, t.day);
}

double TodayJed() {
    return JedOf(QDate::currentDate());
}

QString TimeText(double jed, bool local) {
    const qint64 seconds = caelvane::events::UnixSeconds(jed);
    if (!local) {
        return QString::fromStdString(caelvane::events::FormatUtc(jed))
            .replace(QLatin1Char('T'), QLatin1Char(' '))
            .replace(QLatin1Char('Z'), QStringLiteral(" UTC"));
    }
    return QDateTime::fromSecsSinceEpoch(seconds).toLocalTime().toString(
        QStringLiteral("yyyy-MM-dd HH:mm:ss t"));
}

}  // namespace

// Rows of one kind, one frame and with one body, as chosen.
class CEventsFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    int kind = -1;
    int frame = -1;
    QString body;

    void Refilter() { invalidateFilter(); }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const QAbstractItemModel* model = sourceModel();
        if (kind >= 0 &&
            model->index(row, CEventsWindow::kKind, parent).data(kKindRole).toInt() != kind)
            return false;
        if (frame >= 0 &&
            model->index(row, CEventsWindow::kFrame, parent).data(kFrameRole).toInt() != frame)
            return false;
        if (!body.isEmpty() &&
            model->index(row, CEventsWindow::kBody1, parent).data().toString() != body &&
            model->index(row, CEventsWindow::kBody2, parent).data().toString() != body)
            return false;
        return true;
    }
};

CEventsWindow::CEventsWindow(CCaelvaneDoc& doc, QWidget* parent)
    : QWidget(parent, Qt::Window), m_doc(doc) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Events - %1").arg(QString::fromStdString(doc.GetTitle())));
    m_angles = caelvane::events::SignificantAngles(doc);
    double first = 0, last = 0;
    caelvane::events::JobDateRange(doc, TodayJed(), first, last);

    m_from = new QDateEdit(DateOf(first), this);
    m_to = new QDateEdit(DateOf(last), this);
    for (QDateEdit* edit : {m_from, m_to}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setCalendarPopup(true);
    }
    m_source = new QComboBox(this);
    m_source->addItem(tr("Classic series"), static_cast<int>(PositionSource::Series));
    m_source->addItem(tr("Precise"), static_cast<int>(PositionSource::Precise));
    if (!PrecisePositionsAvailable()) {
        // Listed but not offered: the user sees that the build has no precise source.
        if (auto* items = qobject_cast<QStandardItemModel*>(m_source->model()))
            items->item(1)->setEnabled(false);
    }
    m_find = new QPushButton(tr("&Find"), this);
    connect(m_find, &QPushButton::clicked, this, [this] { Search(); });

    m_kind = new QComboBox(this);
    m_kind->addItem(tr("All kinds"), -1);
    for (int k = 0; k < 5; ++k)
        m_kind->addItem(QString::fromLatin1(caelvane::events::KindName(
                            static_cast<caelvane::events::EventKind>(k))),
                        k);
    m_body = new QComboBox(this);
    m_body->addItem(tr("All bodies"), QString());
    for (const char* name : {"Sun", "Moon", "Mercury", "Venus", "Earth", "Mars", "Jupiter",
                             "Saturn", "Uranus", "Neptune", "Pluto", "Node", "Chiron"})
        m_body->addItem(QString::fromLatin1(name), QString::fromLatin1(name));
    m_frame = new QComboBox(this);
    m_frame->addItem(tr("Both frames"), -1);
    m_frame->addItem(QStringLiteral("geo"), 0);
    m_frame->addItem(QStringLiteral("helio"), 1);
    m_local = new QCheckBox(tr("&Local times"), this);
    auto* exportCsv = new QPushButton(tr("Export &CSV..."), this);
    auto* exportIcs = new QPushButton(tr("Export &iCalendar..."), this);
    connect(exportCsv, &QPushButton::clicked, this, [this] { Export(false); });
    connect(exportIcs, &QPushButton::clicked, this, [this] { Export(true); });
    connect(m_kind, &QComboBox::currentIndexChanged, this,
            [this] { SetKindFilter(m_kind->currentData().toInt()); });
    connect(m_body, &QComboBox::currentIndexChanged, this,
            [this] { SetBodyFilter(m_body->currentData().toString()); });
    connect(m_frame, &QComboBox::currentIndexChanged, this,
            [this] { SetFrameFilter(m_frame->currentData().toInt()); });
    connect(m_local, &QCheckBox::toggled, this, [this] { RefreshTimes(); });

    m_model = new QStandardItemModel(0, 9, this);
    m_model->setHorizontalHeaderLabels({tr("Time"), tr("Kind"), tr("Frame"), tr("Body 1"),
                                        tr("Body 2"), tr("Angle"), tr("Sign"), tr("Detail"),
                                        tr("Event")});
    m_filter = new CEventsFilter(this);
    m_filter->setSourceModel(m_model);
    m_filter->setSortRole(kSortRole);
    m_table = new QTableView(this);
    m_table->setModel(m_filter);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(kTime, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    connect(m_table, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { GoToRow(index.row()); });
    m_note = new QLabel(this);

    auto* search = new QHBoxLayout;
    search->addWidget(new QLabel(tr("From"), this));
    search->addWidget(m_from);
    search->addWidget(new QLabel(tr("to"), this));
    search->addWidget(m_to);
    search->addWidget(m_source);
    search->addWidget(m_find);
    search->addStretch();
    auto* filters = new QHBoxLayout;
    filters->addWidget(m_kind);
    filters->addWidget(m_body);
    filters->addWidget(m_frame);
    filters->addWidget(m_local);
    filters->addStretch();
    filters->addWidget(exportCsv);
    filters->addWidget(exportIcs);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addLayout(filters);
    layout->addWidget(m_table);
    layout->addWidget(m_note);
    resize(900, 560);
}

CEventsWindow::~CEventsWindow() {
    m_cancel = true;
    if (m_worker.joinable()) m_worker.join();
}

QSortFilterProxyModel* CEventsWindow::Rows() const {
    return m_filter;
}

QString CEventsWindow::Note() const {
    return m_note->text();
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
    if (to - from > caelvane::events::kMaxRangeDays) {
        m_note->setText(tr("The range spans more than 1000 years."));
        return;
    }
    caelvane::events::FinderOptions options;
    options.startJed = from;
    options.endJed = to;
    options.angles = m_angles;
    options.source = static_cast<PositionSource>(m_source->currentData().toInt());
    m_cancel = false;
    m_percent = 0;
    m_note->setText(tr("Searching..."));
    m_find->setEnabled(false);
    const auto run = [this, options] {
        bool cancelled = false;
        std::vector<SkyEvent> found;
        try {
            auto result = caelvane::events::FindEvents(options, [this](double fraction) {
                m_percent = static_cast<int>(fraction * 100);
                return !m_cancel.load();
            });
            cancelled = result.cancelled;
            found = std::move(result.events);
        } catch (const std::exception&) {
            cancelled = true;
        }
        m_pending = std::move(found);
        return cancelled;
    };
    if (wait) {
        OnSearchDone(run());
        return;
    }
    m_worker = std::thread([this, run] {
        const bool cancelled = run();
        QMetaObject::invokeMethod(
            this, [this, cancelled] { OnSearchDone(cancelled); }, Qt::QueuedConnection);
    });
    // Progress for searches that take a while (a century or more), with a way out.
    m_progress = new QProgressDialog(tr("Finding events..."), tr("Cancel"), 0, 100, this);
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(400);
    m_progress->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_progress, &QProgressDialog::canceled, this, [this] { m_cancel = true; });
    auto* timer = new QTimer(m_progress);
    connect(timer, &QTimer::timeout, this, [this] {
        if (m_progress) m_progress->setValue(std::min(99, m_percent.load()));
    });
    timer->start(100);
}

void CEventsWindow::OnSearchDone(bool cancelled) {
    if (m_worker.joinable()) m_worker.join();
    if (m_progress) {
        m_progress->reset();
        m_progress->close();
    }
    m_find->setEnabled(true);
    if (cancelled) {
        m_note->setText(tr("Search cancelled; the list is as it was."));
    } else {
        m_events = std::move(m_pending);
        Fill();
        m_note->setText(tr("%n event(s)", nullptr, static_cast<int>(m_events.size())));
    }
    m_pending.clear();
    emit searchFinished();
}

void CEventsWindow::Fill() {
    m_table->setSortingEnabled(false);
    m_model->removeRows(0, m_model->rowCount());
    m_model->setRowCount(static_cast<int>(m_events.size()));
    for (int row = 0; row < static_cast<int>(m_events.size()); ++row) {
        const SkyEvent& event = m_events[static_cast<std::size_t>(row)];
        const auto set = [&](int column, const QString& text, const QVariant& sort) {
            auto* item = new QStandardItem(text);
            item->setData(sort, kSortRole);
            m_model->setItem(row, column, item);
            return item;
        };
        set(kTime, TimeText(event.jed, m_local->isChecked()), event.jed)->setData(row, kIndexRole);
        set(kKind, QString::fromLatin1(caelvane::events::KindName(event.kind)),
            static_cast<int>(event.kind))
            ->setData(static_cast<int>(event.kind), kKindRole);
        set(kFrame, QString::fromLatin1(caelvane::events::FrameName(event.frame)),
            static_cast<int>(event.frame))
            ->setData(static_cast<int>(event.frame), kFrameRole);
        const QString body1 = QString::fromLatin1(caelvane::events::BodyName(event.body1));
        const QString body2 = QString::fromLatin1(caelvane::events::BodyName(event.body2));
        set(kBody1, body1, body1);
        set(kBody2, body2, body2);
        set(kAngle,
            event.angle >= 0 ? QString::fromStdString(caelvane::events::FormatAngle(event.angle))
                             : QString(),
            event.angle);
        set(kSign,
            event.sign >= 0 ? QString::fromLatin1(caelvane::events::SignName(event.sign))
                            : QString(),
            event.sign);
        const QString detail = QString::fromLatin1(caelvane::events::DetailName(event.detail));
        set(kDetail, detail, detail);
        const QString summary = QString::fromStdString(caelvane::events::EventSummary(event));
        set(kSummary, summary, summary);
    }
    m_table->setSortingEnabled(true);
    m_table->resizeColumnsToContents();
}

void CEventsWindow::RefreshTimes() {
    const bool local = m_local->isChecked();
    for (int row = 0; row < m_model->rowCount(); ++row) {
        QStandardItem* item = m_model->item(row, kTime);
        item->setText(TimeText(item->data(kSortRole).toDouble(), local));
    }
}

void CEventsWindow::SetKindFilter(int kind) {
    m_filter->kind = kind;
    m_filter->Refilter();
}

void CEventsWindow::SetBodyFilter(const QString& body) {
    m_filter->body = body;
    m_filter->Refilter();
}

void CEventsWindow::SetFrameFilter(int frame) {
    m_filter->frame = frame;
    m_filter->Refilter();
}

void CEventsWindow::SetLocalTimes(bool local) {
    m_local->setChecked(local);
}

std::vector<SkyEvent> CEventsWindow::ShownEvents() const {
    std::vector<SkyEvent> shown;
    for (int row = 0; row < m_filter->rowCount(); ++row) {
        const int index = m_filter->index(row, kTime).data(kIndexRole).toInt();
        shown.push_back(m_events[static_cast<std::size_t>(index)]);
    }
    return shown;
}

bool CEventsWindow::GoToRow(int proxyRow) {
    if (proxyRow < 0 || proxyRow >= m_filter->rowCount()) return false;
    const int index = m_filter->index(proxyRow, kTime).data(kIndexRole).toInt();
    const SkyEvent& event = m_events[static_cast<std::size_t>(index)];
    double first = 0, last = 0;
    caelvane::events::JobDateRange(m_doc, TodayJed(), first, last);
    // Pages are whole days: the event's day (UT) counted from the job's first day.
    const double day = std::floor(event.jed - 0.5) + 0.5;
    const long long page = std::llround(day - first) + 1;
    const long long pages = std::llround(last - first) + 1;
    const bool paged = m_doc.m_jobType == 2 || m_doc.m_jobType == 3;
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
    std::sort(shown.begin(), shown.end(), caelvane::events::EventBefore);
    const std::string bytes =
        calendar
            ? caelvane::events::EventsICalendar(
                  shown, caelvane::events::JedFromUnixSeconds(QDateTime::currentSecsSinceEpoch()))
            : caelvane::events::EventsCsv(shown);
    std::string message;
    if (!caelvane::WriteFileAtomically(path.toStdString(), bytes, message)) {
        error = QString::fromStdString(message);
        return false;
    }
    return true;
}

void CEventsWindow::Export(bool calendar) {
    const QString path = QFileDialog::getSaveFileName(
        this, calendar ? tr("Export iCalendar") : tr("Export CSV"), QString(),
        calendar ? tr("iCalendar (*.ics)") : tr("CSV (*.csv)"));
    if (path.isEmpty()) return;
    QString error;
    if (!ExportTo(path, calendar, error)) QMessageBox::warning(this, windowTitle(), error);
}

CEventsWindow* OpenEventsWindow(CCaelvaneDoc& doc, QWidget* view) {
    auto* window = new CEventsWindow(doc, view);
    window->show();
    window->raise();
    window->activateWindow();
    window->Search();
    return window;
}
