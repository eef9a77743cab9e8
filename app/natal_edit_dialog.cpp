#include "app/natal_edit_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimeZone>
#include <QVBoxLayout>
#include <cmath>

#include "natal/natal_chart.h"

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QString Coordinates(double latitude, double longitude) {
    return QStringLiteral("%1%2 %3%4")
        .arg(std::fabs(latitude), 0, 'f', 2)
        .arg(latitude < 0 ? QLatin1Char('S') : QLatin1Char('N'))
        .arg(std::fabs(longitude), 0, 'f', 2)
        .arg(longitude < 0 ? QLatin1Char('W') : QLatin1Char('E'));
}

// The zone names the system knows, for the zone box's list and completion.
QStringList ZoneNames() {
    QStringList names;
    for (const QByteArray& id : QTimeZone::availableTimeZoneIds()) {
        const QString name = QString::fromLatin1(id);
        if (name.contains(QLatin1Char('/')) || name == QLatin1String("UTC")) names.append(name);
    }
    names.sort();
    return names;
}

}  // namespace

CNatalEditDialog::CNatalEditDialog(const natal::Horoscope& horoscope, QWidget* parent)
    : QDialog(parent), m_original(horoscope), m_result(horoscope) {
    setWindowTitle(tr("Horoscope"));
    m_name = new QLineEdit(Text(horoscope.name), this);
    m_name->setObjectName(QStringLiteral("name"));
    m_date = new QLineEdit(Text(natal::FormatDate(horoscope.local)), this);
    m_date->setObjectName(QStringLiteral("date"));
    m_date->setPlaceholderText(QStringLiteral("YYYY-MM-DD"));
    m_date->setToolTip(tr("The local date, proleptic Gregorian: YYYY-MM-DD"));
    m_time = new QLineEdit(Text(natal::FormatTime(horoscope.local)), this);
    m_time->setObjectName(QStringLiteral("time"));
    m_time->setPlaceholderText(QStringLiteral("HH:MM[:SS]"));
    m_time->setToolTip(tr("The local time on the clocks of the zone: HH:MM or HH:MM:SS"));
    m_timeUnknown = new QCheckBox(tr("Time &unknown"), this);
    m_timeUnknown->setObjectName(QStringLiteral("timeUnknown"));
    m_timeUnknown->setToolTip(tr("Drawn at local noon, without houses"));
    m_timeUnknown->setChecked(horoscope.timeUnknown);
    m_time->setEnabled(!horoscope.timeUnknown);
    auto* timeRow = new QHBoxLayout;
    timeRow->addWidget(m_time, 1);
    timeRow->addWidget(m_timeUnknown);

    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("placeSearch"));
    m_search->setPlaceholderText(tr("A city's name, e.g. London"));
    m_search->setClearButtonEnabled(true);
    m_places = new QListWidget(this);
    m_places->setObjectName(QStringLiteral("placeResults"));
    m_places->setMinimumHeight(110);
    m_places->setToolTip(tr("Choose a place: its coordinates and time zone fill the entries"));
    if (!natal::AtlasAvailable()) {
        m_search->setEnabled(false);
        m_search->setPlaceholderText(tr("No atlas in this build: type the coordinates"));
    }
    m_placeName = new QLineEdit(Text(horoscope.place.name), this);
    m_placeName->setObjectName(QStringLiteral("placeName"));
    m_latitude = new QDoubleSpinBox(this);
    m_latitude->setObjectName(QStringLiteral("latitude"));
    m_latitude->setRange(-90.0, 90.0);
    m_latitude->setDecimals(5);
    m_latitude->setValue(horoscope.place.latitude);
    m_latitude->setToolTip(tr("Degrees, north positive"));
    m_longitude = new QDoubleSpinBox(this);
    m_longitude->setObjectName(QStringLiteral("longitude"));
    m_longitude->setRange(-180.0, 180.0);
    m_longitude->setDecimals(5);
    m_longitude->setValue(horoscope.place.longitude);
    m_longitude->setToolTip(tr("Degrees, east positive"));
    auto* coordinates = new QHBoxLayout;
    coordinates->addWidget(new QLabel(tr("Lat&itude:"), this));
    coordinates->addWidget(m_latitude, 1);
    coordinates->addWidget(new QLabel(tr("Lo&ngitude:"), this));
    coordinates->addWidget(m_longitude, 1);
    static_cast<QLabel*>(coordinates->itemAt(0)->widget())->setBuddy(m_latitude);
    static_cast<QLabel*>(coordinates->itemAt(2)->widget())->setBuddy(m_longitude);

    m_zone = new QComboBox(this);
    m_zone->setObjectName(QStringLiteral("zone"));
    m_zone->setEditable(true);
    m_zone->setInsertPolicy(QComboBox::NoInsert);
    m_zone->addItems(ZoneNames());
    m_zone->completer()->setCompletionMode(QCompleter::PopupCompletion);
    m_zone->completer()->setFilterMode(Qt::MatchContains);
    m_zone->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    m_zone->setEditText(Text(horoscope.zone));
    m_zone->setToolTip(
        tr("A zone of the time-zone database (Europe/London) with its history, "
           "or a fixed offset from UTC such as +05:30"));
    m_houses = new QComboBox(this);
    m_houses->setObjectName(QStringLiteral("houses"));
    for (const natal::HouseSystemInfo& info : natal::HouseSystems()) {
        m_houses->addItem(QString::fromLatin1(info.name), static_cast<int>(info.system));
    }
    m_houses->setCurrentIndex(m_houses->findData(static_cast<int>(horoscope.houses)));

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* form = new QFormLayout;
    form->addRow(tr("&Name:"), m_name);
    form->addRow(tr("&Date:"), m_date);
    auto* timeLabel = new QLabel(tr("&Time:"), this);
    timeLabel->setBuddy(m_time);
    form->addRow(timeLabel, timeRow);
    form->addRow(tr("&Find place:"), m_search);
    form->addRow(QString(), m_places);
    form->addRow(tr("&Place:"), m_placeName);
    form->addRow(QString(), coordinates);
    form->addRow(tr("&Zone:"), m_zone);
    form->addRow(tr("&Houses:"), m_houses);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_status);
    layout->addWidget(buttons);
    // Enter in the search field searches; it does not close the dialog.
    buttons->button(QDialogButtonBox::Ok)->setAutoDefault(false);
    buttons->button(QDialogButtonBox::Cancel)->setAutoDefault(false);

    connect(buttons, &QDialogButtonBox::accepted, this, &CNatalEditDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CNatalEditDialog::reject);
    connect(m_search, &QLineEdit::textChanged, this, &CNatalEditDialog::SearchAtlas);
    connect(m_places, &QListWidget::currentRowChanged, this, &CNatalEditDialog::TakePlace);
    connect(m_timeUnknown, &QCheckBox::toggled, this, [this](bool on) {
        m_time->setEnabled(!on);
        UpdateStatus();
    });
    for (QLineEdit* edit : {m_date, m_time}) {
        connect(edit, &QLineEdit::textChanged, this, &CNatalEditDialog::UpdateStatus);
    }
    connect(m_latitude, &QDoubleSpinBox::valueChanged, this, &CNatalEditDialog::UpdateStatus);
    connect(m_longitude, &QDoubleSpinBox::valueChanged, this, &CNatalEditDialog::UpdateStatus);
    connect(m_zone, &QComboBox::editTextChanged, this, &CNatalEditDialog::UpdateStatus);
    UpdateStatus();
    resize(720, sizeHint().height());
}

void CNatalEditDialog::SearchAtlas() {
    const QSignalBlocker block(m_places);
    m_places->clear();
    m_found.clear();
    const QString query = m_search->text().trimmed();
    if (query.size() < 2) return;
    m_found = natal::SearchAtlas(query.toStdString(), 50);
    for (const natal::AtlasPlace& place : m_found) {
        // Region and country tell the namesakes apart: London, England and London, Ontario.
        QString where = Text(place.region);
        if (!place.country.empty()) {
            where += (where.isEmpty() ? QString() : QStringLiteral(", ")) + Text(place.country);
        }
        m_places->addItem(QStringLiteral("%1 \u2014 %2   %3   %4")
                              .arg(Text(place.name), where,
                                   Coordinates(place.latitude, place.longitude), Text(place.zone)));
    }
    if (m_found.empty()) m_places->addItem(tr("No place of that name in the atlas"));
}

void CNatalEditDialog::TakePlace(int row) {
    if (row < 0 || row >= static_cast<int>(m_found.size())) return;
    const natal::AtlasPlace& place = m_found[static_cast<std::size_t>(row)];
    m_placeName->setText(Text(place.name));
    m_latitude->setValue(place.latitude);
    m_longitude->setValue(place.longitude);
    m_zone->setEditText(Text(place.zone));
    UpdateStatus();
}

natal::Horoscope CNatalEditDialog::Entries(QString& problem) const {
    problem.clear();
    natal::Horoscope h = m_original;
    h.name = m_name->text().trimmed().toStdString();
    h.place.name = m_placeName->text().trimmed().toStdString();
    h.place.latitude = m_latitude->value();
    h.place.longitude = m_longitude->value();
    h.zone = m_zone->currentText().trimmed().toStdString();
    h.houses = static_cast<natal::HouseSystem>(m_houses->currentData().toInt());
    h.timeUnknown = m_timeUnknown->isChecked();
    const QString date = m_date->text().trimmed();
    if (!natal::ParseDate(date.toStdString(), h.local.year, h.local.month, h.local.day)) {
        problem = tr("The date must be YYYY-MM-DD, not '%1'").arg(date);
        return h;
    }
    if (h.timeUnknown) {
        h.local.hour = 12, h.local.minute = 0, h.local.second = 0;
    } else {
        const QString time = m_time->text().trimmed();
        if (!natal::ParseTime(time.toStdString(), h.local.hour, h.local.minute, h.local.second)) {
            problem = tr("The time must be HH:MM or HH:MM:SS, not '%1'").arg(time);
            return h;
        }
    }
    // A reading chosen earlier holds only for the same local time in the same zone.
    if (h.zone != m_original.zone ||
        natal::FormatDate(h.local) != natal::FormatDate(m_original.local) ||
        natal::FormatTime(h.local) != natal::FormatTime(m_original.local) ||
        h.timeUnknown != m_original.timeUnknown) {
        h.choice = natal::LocalTimeChoice::None;
    }
    if (h.name.empty()) {
        problem = tr("The chart needs a name");
        return h;
    }
    if (const std::optional<std::string> wrong = natal::CheckHoroscope(h)) problem = Text(*wrong);
    return h;
}

QString CNatalEditDialog::StatusText() const {
    return m_status->text();
}

void CNatalEditDialog::UpdateStatus() {
    QString problem;
    const natal::Horoscope h = Entries(problem);
    if (problem.isEmpty() || problem == tr("The chart needs a name")) {
        const natal::ZoneResolution zone =
            natal::ResolveLocalTime(h.local, h.zone, h.place.longitude, h.choice);
        if (zone.ok) {
            QString text =
                QStringLiteral("%1 %2 = %3")
                    .arg(Text(zone.abbreviation), Text(natal::FormatOffset(zone.offsetSeconds)),
                         Text(natal::IsoUtc(zone.utcSeconds)));
            if (!zone.note.empty()) text += QStringLiteral("\n") + Text(zone.note);
            m_status->setText(text);
            m_status->setStyleSheet(QString());
            return;
        }
        if (zone.kind != natal::LocalTimeKind::Unique) {
            // Not a fault: OK will ask which reading is meant.
            m_status->setText(Text(zone.error));
            m_status->setStyleSheet(QString());
            return;
        }
        problem = Text(zone.error);
    }
    m_status->setText(problem);
    m_status->setStyleSheet(QStringLiteral("color: #b00000"));
}

natal::LocalTimeChoice CNatalEditDialog::AskChoice(QWidget* parent,
                                                   const natal::ZoneResolution& resolution) {
    QMessageBox box(parent);
    box.setObjectName(QStringLiteral("localTimeChoice"));
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(tr("Local time"));
    box.setText(Text(resolution.error));
    const QString before = Text(natal::FormatOffset(resolution.offsetBefore));
    const QString after = Text(natal::FormatOffset(resolution.offsetAfter));
    QPushButton* earlier =
        box.addButton(tr("&Earlier (UTC%1)").arg(before), QMessageBox::AcceptRole);
    earlier->setObjectName(QStringLiteral("earlier"));
    QPushButton* later = box.addButton(tr("&Later (UTC%1)").arg(after), QMessageBox::AcceptRole);
    later->setObjectName(QStringLiteral("later"));
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Cancel);
    box.exec();
    if (box.clickedButton() == earlier) return natal::LocalTimeChoice::Earlier;
    if (box.clickedButton() == later) return natal::LocalTimeChoice::Later;
    return natal::LocalTimeChoice::None;
}

void CNatalEditDialog::accept() {
    QString problem;
    natal::Horoscope h = Entries(problem);
    if (!problem.isEmpty()) {
        m_status->setText(problem);
        m_status->setStyleSheet(QStringLiteral("color: #b00000"));
        return;
    }
    natal::ZoneResolution zone =
        natal::ResolveLocalTime(h.local, h.zone, h.place.longitude, h.choice);
    if (!zone.ok && zone.kind != natal::LocalTimeKind::Unique) {
        h.choice = AskChoice(this, zone);
        if (h.choice == natal::LocalTimeChoice::None) return;
        zone = natal::ResolveLocalTime(h.local, h.zone, h.place.longitude, h.choice);
    }
    if (!zone.ok) {
        m_status->setText(Text(zone.error));
        m_status->setStyleSheet(QStringLiteral("color: #b00000"));
        return;
    }
    if (zone.kind == natal::LocalTimeKind::Unique) h.choice = natal::LocalTimeChoice::None;
    // The date must lie where the precise source computes: the chart is computed once here.
    natal::NatalChart chart;
    std::string error;
    if (!natal::ComputeNatalChart(h, std::nullopt, chart, error)) {
        m_status->setText(Text(error));
        m_status->setStyleSheet(QStringLiteral("color: #b00000"));
        return;
    }
    m_result = h;
    QDialog::accept();
}
