#include "platform/qt/qt_host_services.h"

#include <QApplication>
#include <QDate>
#include <QMessageBox>

#include "platform/time_zone.h"

namespace caelvane {

namespace {
const char* const kCaption = "Caelvane";
}

CQtHostServices::CQtHostServices(QWidget* parent) : m_parent(parent) {}

LocalDate CQtHostServices::Today() const {
    const QDate today = QDate::currentDate();
    return LocalDate{today.month(), today.day(), today.year()};
}

TimeZoneRule CQtHostServices::ZoneRule() const {
    return HostTimeZoneRule();
}

QWidget* CQtHostServices::ParentWidget() const {
    if (m_parent != nullptr) return m_parent;
    return QApplication::activeWindow();
}

void CQtHostServices::MessageBox(const std::string& text) {
    ShowMessage(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void CQtHostServices::ShowMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kCaption), text, QMessageBox::Ok,
                    ParentWidget());
    box.exec();
}

void CQtHostServices::ShowMessages(const QStringList& texts) {
    if (texts.isEmpty()) return;
    const QString all = texts.join(QStringLiteral("\n\n"));
    if (texts.size() <= kMaxMessagesInOneBox && all.count(QLatin1Char('\n')) < kMaxLinesInOneBox) {
        ShowMessage(all);
        return;
    }
    // The first message tells what kind of trouble it was; the rest are in the details.
    QString first = texts.front();
    constexpr int kFirstChars = 300;
    if (first.size() > kFirstChars) first = first.left(kFirstChars) + QChar(0x2026);
    const QString head =
        texts.size() == 1
            ? QStringLiteral("A long message; in full in the details:")
            : QStringLiteral("%1 problems; the first:").arg(static_cast<int>(texts.size()));
    const QString summary = head + QStringLiteral("\n\n") + first;
    ShowSummary(summary, all);
}

void CQtHostServices::ShowSummary(const QString& summary, const QString& details) {
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kCaption), summary, QMessageBox::Ok,
                    ParentWidget());
    box.setDetailedText(details);
    box.exec();
}

CQtHostServices::Answer CQtHostServices::AskYesNoCancel(const QString& text) {
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kCaption), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, ParentWidget());
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

}  // namespace caelvane
