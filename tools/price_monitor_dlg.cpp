#include "tools/price_monitor_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTime>

#include "chart/paging.h"
#include "chart/price_poll.h"
#include "job/caelvane_doc.h"
#include "platform/qt/data_exchange.h"

using namespace caelvane;

namespace {
// Lets a long path wrap at its folder separators.
QString Wrappable(const QString& text) {
    QString out = text;
    return out.replace(QLatin1Char('/'), QStringLiteral("/\u200B"));
}

QString Now() {
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}
}  // namespace

PriceFileLocation DesktopPriceFileLocation() {
    const QSettings profile(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Caelvane"),
                            QStringLiteral("Caelvane"));
    const QString setting =
        profile
            .value(QStringLiteral("%1/%2").arg(QLatin1String(kPriceFileProfileSection),
                                               QLatin1String(kPriceFileProfileKey)))
            .toString();
    return PriceFileLocationFor(setting.toStdString());
}

CPriceMonitorDlg::CPriceMonitorDlg(QWidget* parent, std::unique_ptr<CToolTimer> timer)
    : QDialog(parent),
      m_timer(timer ? std::move(timer) : std::make_unique<CQtToolTimer>()),
      m_locator(&DesktopPriceFileLocation),
      m_start(new QPushButton(QStringLiteral("Start"), this)),
      m_stop(new QPushButton(QStringLiteral("Stop"), this)),
      m_priceEdit(new QLineEdit(this)),
      m_degreeEdit(new QLineEdit(this)),
      m_fileLabel(new QLabel(this)),
      m_statusLabel(new QLabel(this)) {
    setWindowTitle(QStringLiteral("SECRET OPERATION"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_start->setObjectName(QStringLiteral("start"));
    m_stop->setObjectName(QStringLiteral("stop"));
    m_priceEdit->setObjectName(QStringLiteral("price"));
    m_degreeEdit->setObjectName(QStringLiteral("degree"));
    m_fileLabel->setObjectName(QStringLiteral("priceFile"));
    m_statusLabel->setObjectName(QStringLiteral("status"));
    m_start->setDefault(true);
    // Written after each poll, never read back.
    m_priceEdit->setReadOnly(true);
    m_degreeEdit->setReadOnly(true);

    auto* priceLabel = new QLabel(QStringLiteral("PRICE"), this);
    auto* degreeLabel = new QLabel(QStringLiteral("DEGREE"), this);
    auto* fileCaption = new QLabel(QStringLiteral("Price file:"), this);
    m_fileLabel->setWordWrap(true);
    m_fileLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_statusLabel->setWordWrap(true);
    m_statusLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // The monitor's own block keeps its 94 x 98 layout; the file and the state of the last
    // poll are shown beside it.
    const CDialogUnits units(font());
    setFixedSize(units.MapX(232), units.MapY(98));
    PlaceControl(m_start, units, 21, 7, 50, 14);
    PlaceControl(m_priceEdit, units, 21, 23, 50, 14);
    PlaceControl(priceLabel, units, 21, 39, 50, 8);
    PlaceControl(m_degreeEdit, units, 21, 49, 50, 14);
    PlaceControl(degreeLabel, units, 21, 65, 50, 8);
    PlaceControl(m_stop, units, 21, 75, 50, 14);
    PlaceControl(fileCaption, units, 98, 7, 128, 8);
    PlaceControl(m_fileLabel, units, 98, 16, 128, 26);
    PlaceControl(m_statusLabel, units, 98, 45, 128, 46);

    m_timer->SetTickHandler([this] { OnTimer(); });
    connect(m_start, &QPushButton::clicked, this, [this] { OnStart(); });
    connect(m_stop, &QPushButton::clicked, this, [this] { OnStop(); });
}

CPriceMonitorDlg::~CPriceMonitorDlg() {
    m_timer->Stop();
}

void CPriceMonitorDlg::SetPriceFileLocator(PriceFileLocator locator) {
    m_locator = locator ? std::move(locator) : PriceFileLocator(&DesktopPriceFileLocation);
}

int CPriceMonitorDlg::DoModal(const ActiveDocumentProvider& activeDocument) {
    m_activeDocument = activeDocument;
    ShowValues();
    ShowPriceFile();
    m_statusLabel->setText(QStringLiteral("Not polling. Start reads the file every 10 seconds."));
    m_start->setFocus();
    const int result = exec();
    m_activeDocument = nullptr;
    return result;
}

CCaelvaneDoc* CPriceMonitorDlg::ActiveDocument() const {
    return m_activeDocument ? m_activeDocument() : nullptr;
}

void CPriceMonitorDlg::ShowValues() {
    m_priceEdit->setText(FormatDialogDouble(m_price));
    m_degreeEdit->setText(FormatDialogDouble(m_degree));
}

PriceFileLocation CPriceMonitorDlg::ShowPriceFile() {
    const PriceFileLocation location = m_locator();
    const QString path = QString::fromStdString(location.path);
    m_fileLabel->setText(QStringLiteral("%1 (%2)").arg(
        Wrappable(path), QString::fromLatin1(DescribePriceFileSource(location.source))));
    m_fileLabel->setToolTip(path);
    return location;
}

void CPriceMonitorDlg::OnStart() {
    if (!m_timer->Start(kPollPeriodMs)) {
        // The display still goes on and the one poll below still runs.
        ShowExchangeMessage(this, QString::fromLatin1(kTimerRefusedMessage), m_messageHook);
    }
    if (CCaelvaneDoc* doc = ActiveDocument()) StartPriceDisplay(*doc);
    OnTimer();
}

void CPriceMonitorDlg::OnStop() {
    CCaelvaneDoc* doc = ActiveDocument();
    if (doc == nullptr) return;
    doc->m_priceMonitorOn = 0;
    // Every change to a job ends with a repaint, so the price marks go at once.
    doc->UpdateAllViews(nullptr, 0);
}

void CPriceMonitorDlg::OnTimer() {
    const PriceFileLocation location = ShowPriceFile();
    PriceReading reading;
    std::string error;
    if (!ReadPriceFile(location.path, reading, error)) {
        m_statusLabel->setText(
            QStringLiteral("Could not read the price file at %1: %2. The last good price stays.")
                .arg(Now(), Wrappable(QString::fromStdString(error))));
        return;
    }
    m_price = reading.price;
    m_degree = reading.degree;
    ShowValues();
    m_statusLabel->setText(QStringLiteral("Read at %1 (price time %2:%3).")
                               .arg(Now())
                               .arg(reading.hour)
                               .arg(reading.minute, 2, 10, QLatin1Char('0')));
    CCaelvaneDoc* doc = ActiveDocument();
    if (doc == nullptr) return;
    ApplyPriceReading(*doc, reading);
    AdvancePage(doc);
}

void CPriceMonitorDlg::done(int result) {
    m_timer->Stop();
    QDialog::done(result);
}
