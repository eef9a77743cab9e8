#include "tools/auto_run_dlg.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "chart/paging.h"
#include "job/caelvane_doc.h"
#include "platform/qt/data_exchange.h"

using namespace caelvane;

namespace {
constexpr int kMinInterval = 1;
constexpr int kMaxInterval = 10000;
constexpr int kMaxPage = 100000;
constexpr int kTimerUnitMs = 10;
}  // namespace

CAutoRunDlg::CAutoRunDlg(QWidget* parent, std::unique_ptr<CToolTimer> timer)
    : QDialog(parent),
      m_timer(timer ? std::move(timer) : std::make_unique<CQtToolTimer>()),
      m_start(new QPushButton(QStringLiteral("Start"), this)),
      m_stop(new QPushButton(QStringLiteral("Stop"), this)),
      m_pageEdit(new QLineEdit(this)),
      m_intervalEdit(new QLineEdit(this)),
      m_spin(new CSpinButtonCtrl(this)) {
    setWindowTitle(QStringLiteral("Timer"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_start->setObjectName(QStringLiteral("start"));
    m_stop->setObjectName(QStringLiteral("stop"));
    m_pageEdit->setObjectName(QStringLiteral("page"));
    m_intervalEdit->setObjectName(QStringLiteral("interval"));
    m_start->setDefault(true);

    auto* pageLabel = new QLabel(QStringLiteral("PAGE #"), this);
    auto* intervalLabel = new QLabel(QStringLiteral("INTERVAL"), this);
    const CDialogUnits units(font());
    setFixedSize(units.MapX(62), units.MapY(110));
    PlaceControl(m_start, units, 4, 10, 35, 14);
    PlaceControl(m_stop, units, 4, 29, 35, 14);
    PlaceControl(m_pageEdit, units, 4, 48, 35, 14);
    PlaceControl(pageLabel, units, 4, 67, 45, 8);
    // The spin sits at the right end of its buddy, which gives up the spin's width.
    PlaceControl(m_intervalEdit, units, 4, 80, 25, 14);
    PlaceControl(m_spin, units, 29, 80, 10, 14);
    PlaceControl(intervalLabel, units, 5, 100, 45, 8);
    m_spin->SetBuddy(m_intervalEdit);
    m_spin->SetWrap(true);

    m_timer->SetTickHandler([this] { OnTimer(); });
    connect(m_start, &QPushButton::clicked, this, [this] { OnStart(); });
    connect(m_stop, &QPushButton::clicked, this, [this] { OnStop(); });
}

CAutoRunDlg::~CAutoRunDlg() {
    m_timer->Stop();
}

int CAutoRunDlg::DoModal(const ActiveDocumentProvider& activeDocument) {
    m_activeDocument = activeDocument;
    OnInitDialog();
    const int result = exec();
    m_activeDocument = nullptr;
    return result;
}

CCaelvaneDoc* CAutoRunDlg::ActiveDocument() const {
    return m_activeDocument ? m_activeDocument() : nullptr;
}

void CAutoRunDlg::OnInitDialog() {
    UpdateData(false);
    m_spin->SetRange(kMinInterval, kMaxInterval);
    if (CCaelvaneDoc* doc = ActiveDocument()) m_page = doc->m_currentPage;
    UpdateData(false);
    m_start->setFocus();
}

void CAutoRunDlg::DoDataExchange(CDataExchange& dx) {
    DdxText(dx, m_intervalEdit, m_interval);
    DdvMinMaxInt(dx, m_interval, kMinInterval, kMaxInterval);
    DdxText(dx, m_pageEdit, m_page);
    DdvMinMaxInt(dx, m_page, 1, kMaxPage);
}

bool CAutoRunDlg::UpdateData(bool saveAndValidate) {
    return caelvane::UpdateData(
        this, saveAndValidate, [this](CDataExchange& dx) { DoDataExchange(dx); }, m_messageHook);
}

void CAutoRunDlg::OnStart() {
    if (!UpdateData(true)) return;
    if (!m_timer->Start(m_interval * kTimerUnitMs)) {
        ShowExchangeMessage(this, QString::fromLatin1(kTimerRefusedMessage), m_messageHook);
    }
}

void CAutoRunDlg::OnStop() {
    m_timer->Stop();
}

void CAutoRunDlg::OnTimer() {
    CCaelvaneDoc* doc = ActiveDocument();
    if (doc == nullptr) return;
    // Compared before stepping so that the counter cannot overflow.
    m_page = m_page >= doc->m_pageCount ? 1 : m_page + 1;
    m_pageEdit->setText(FormatDialogInt(m_page));
    AdvancePage(doc);
}

void CAutoRunDlg::closeEvent(QCloseEvent* event) {
    if (CCaelvaneDoc* doc = ActiveDocument()) doc->m_currentPage = 1;
    QDialog::closeEvent(event);
}

void CAutoRunDlg::done(int result) {
    m_timer->Stop();
    QDialog::done(result);
}
