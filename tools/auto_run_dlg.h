#pragma once
#include <QDialog>
#include <memory>
#include <utility>

#include "platform/qt/data_exchange.h"
#include "tools/tool_commands.h"
#include "tools/tool_timer.h"

class QLabel;
class QLineEdit;
class QPushButton;
namespace caelvane {
class CDataExchange;
class CSpinButtonCtrl;
}  // namespace caelvane

// "Timer": steps the active date-range job through its pages, one page per period, while it
// is open and started. One instance serves the whole run, so the interval and the page counter
// keep their values from one opening to the next.
class CAutoRunDlg : public QDialog {
public:
    // Control identifiers of the dialog.
    enum : int {
        IDC_STOP = 1130,
        IDC_INTERVAL = 1131,
        IDC_START = 1132,
        IDC_PAGE = 1134,
        IDC_SPIN = 1010
    };

    // `timer`: nullptr for the desktop's timer.
    explicit CAutoRunDlg(QWidget* parent = nullptr, std::unique_ptr<CToolTimer> timer = nullptr);
    ~CAutoRunDlg() override;

    // Opens the dialog modally for the job `activeDocument` names at each step; returns when it
    // closes (QDialog::Rejected, as both ways of closing end it).
    int DoModal(const ActiveDocumentProvider& activeDocument);

    // Start (also Enter): reads and checks the interval (1..10000, in 10 ms) and the page
    // (1..100000), then starts the timer.
    void OnStart();
    // Stop: the timer stops; page counter and job stay where they are.
    void OnStop();
    // One tick: the counter steps (wrapping past the job's page count) and the job moves on.
    void OnTimer();

    int m_interval = 10;  // step period in units of 10 ms
    int m_page = 1;       // the counter shown as PAGE #

    CToolTimer& Timer() { return *m_timer; }
    QLineEdit* PageEdit() const { return m_pageEdit; }
    QLineEdit* IntervalEdit() const { return m_intervalEdit; }
    caelvane::CSpinButtonCtrl* Spin() const { return m_spin; }
    QPushButton* StartButton() const { return m_start; }
    // How the dialog shows its messages (empty: a message box).
    void SetMessageHook(caelvane::ExchangeMessageHook hook) { m_messageHook = std::move(hook); }
    QPushButton* StopButton() const { return m_stop; }

protected:
    // The close box returns the job to page 1; Escape (reject without a close event) does not.
    void closeEvent(QCloseEvent* event) override;
    // Every way of closing ends with the timer gone, as it dies with the window.
    void done(int result) override;

private:
    void OnInitDialog();
    void DoDataExchange(caelvane::CDataExchange& dx);
    bool UpdateData(bool saveAndValidate);
    CCaelvaneDoc* ActiveDocument() const;

    std::unique_ptr<CToolTimer> m_timer;
    caelvane::ExchangeMessageHook m_messageHook;
    ActiveDocumentProvider m_activeDocument;
    QPushButton* m_start;
    QPushButton* m_stop;
    QLineEdit* m_pageEdit;
    QLineEdit* m_intervalEdit;
    caelvane::CSpinButtonCtrl* m_spin;
};
