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
