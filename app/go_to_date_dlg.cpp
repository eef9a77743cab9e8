#include "app/go_to_date_dlg.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

CGoToDateDlg::CGoToDateDlg(QDate initial, QDate first, QDate last, DateCheck check, Refusal refuse,
                           QWidget* parent)
    : QDialog(parent), m_check(std::move(check)), m_refuse(std::move(refuse)) {
    setWindowTitle(QStringLiteral("Go to Date"));
    m_date = new QDateEdit(this);
    m_date->setObjectName(QStringLiteral("date"));
    m_date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_date->setCalendarPopup(true);
    // Any day can be typed; days outside the job are refused on OK with a reason rather than
    // silently pulled into the range by the field.
    m_date->setDateRange(QDate(100, 1, 1), QDate(9999, 12, 31));
    m_date->setDate(initial.isValid() ? initial : first);
    if (first.isValid() && last.isValid()) {
        // The calendar greys the days that have no page.
        m_date->calendarWidget()->setDateRange(first, last);
    }

    auto* form = new QFormLayout;
    auto* label = new QLabel(QStringLiteral("&Date:"), this);
    label->setBuddy(m_date);
    form->addRow(label, m_date);
    if (first.isValid() && last.isValid()) {
        const QLocale c = QLocale::c();
        form->addRow(new QLabel(QStringLiteral("Pages from %1 to %2")
                                    .arg(c.toString(first, QStringLiteral("yyyy-MM-dd")),
                                         c.toString(last, QStringLiteral("yyyy-MM-dd"))),
                                this));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CGoToDateDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CGoToDateDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QDate CGoToDateDlg::SelectedDate() const {
    return m_date->date();
}

void CGoToDateDlg::accept() {
    QString error;
    if (m_check && !m_check(SelectedDate(), error)) {
        if (m_refuse) m_refuse(error);
        m_date->setFocus();
        return;
    }
    QDialog::accept();
}
