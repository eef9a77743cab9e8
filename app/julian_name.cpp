#include "app/julian_name.h"

#include <QDate>
#include <QDateTimeEdit>
#include <QLabel>

#include "ephemeris/calendar.h"

QString JulianNameOf(const QDate& date) {
    if (!date.isValid()) return {};
    const caelvane::CivilDate day{date.year(), date.month(), date.day()};
    if (!(day < caelvane::kGregorianReform)) return {};
    const caelvane::CivilDate julian = caelvane::JulianCalendarDate(day);
    return QObject::tr("Julian %1-%2-%3")
        .arg(julian.year, 4, 10, QLatin1Char('0'))
        .arg(julian.month, 2, 10, QLatin1Char('0'))
        .arg(julian.day, 2, 10, QLatin1Char('0'));
}

QLabel* JulianNameLabel(QDateTimeEdit* edit) {
    auto* label = new QLabel(edit->parentWidget());
    label->setToolTip(
        QObject::tr("The same day in the Julian calendar, as history names days "
                    "before the Gregorian reform of 1582-10-15"));
    const auto show = [label](const QDate& date) { label->setText(JulianNameOf(date)); };
    QObject::connect(edit, &QDateTimeEdit::dateChanged, label, show);
    show(edit->date());
    return label;
}
