#pragma once
#include <QDate>
#include <QDialog>
#include <QString>
#include <functional>

class QDateEdit;

// "Go to Date": a day picked in a date field with a calendar. OK asks `accept` whether the day
// has a page; a refusal is shown by the caller's message and the dialog stays open on it.
class CGoToDateDlg : public QDialog {
    Q_OBJECT
public:
    // Returns false (with the reason in `error`) for a day that has no page.
    using DateCheck = std::function<bool(QDate date, QString& error)>;
    using Refusal = std::function<void(const QString& error)>;

    CGoToDateDlg(QDate initial, QDate first, QDate last, DateCheck check, Refusal refuse,
                 QWidget* parent = nullptr);

    QDateEdit* DateEdit() const { return m_date; }
    QDate SelectedDate() const;

    void accept() override;

private:
    QDateEdit* m_date;
    DateCheck m_check;
    Refusal m_refuse;
};
