#pragma once
#include <QDialog>
#include <functional>
#include <memory>
#include <utility>

#include "platform/qt/data_exchange.h"
#include "tools/price_file_path.h"
#include "tools/tool_commands.h"
#include "tools/tool_timer.h"

class QLabel;
class QLineEdit;
class QPushButton;

// "SECRET OPERATION": polls the price file every ten seconds after Start and puts the latest
// price, its degree and its time into the active job, where the chart shows them and hot
// spot 1 follows the degree. One instance serves the whole run, so the last price and degree
// are still shown when it is opened again.
//
// A price file that cannot be read or holds no usable price changes nothing: the job and the
// dialog keep the last good values, that poll does not move the page, and the status line says
// what was wrong until a later poll reads the file again.
class CPriceMonitorDlg : public QDialog {
public:
    enum : int { IDC_START = 1153, IDC_STOP = 1154, IDC_PRICE = 1155, IDC_DEGREE = 1156 };
    static constexpr int kPollPeriodMs = 10000;

    // `timer`: nullptr for the desktop's timer.
    explicit CPriceMonitorDlg(QWidget* parent = nullptr,
                              std::unique_ptr<CToolTimer> timer = nullptr);
    ~CPriceMonitorDlg() override;

    // Opens the dialog modally for the job `activeDocument` names at each poll; returns when it
    // closes.
    int DoModal(const ActiveDocumentProvider& activeDocument);

    // Start (also Enter): the timer, the price display of the job on, and one poll at once.
    void OnStart();
    // Stop: the job's price display goes off; the polls go on while the dialog is open.
    void OnStop();
    // One poll of the price file.
    void OnTimer();

    // Where the price file is; the default reads the environment and the desktop's profile.
    using PriceFileLocator = std::function<PriceFileLocation()>;
    void SetPriceFileLocator(PriceFileLocator locator);

    double m_price = 0.0;   // last price read
    double m_degree = 0.0;  // its degree: (price mod 72) x 5

    CToolTimer& Timer() { return *m_timer; }
    QLineEdit* PriceEdit() const { return m_priceEdit; }
    QLineEdit* DegreeEdit() const { return m_degreeEdit; }
    QPushButton* StartButton() const { return m_start; }
    // How the dialog shows its messages (empty: a message box).
    void SetMessageHook(caelvane::ExchangeMessageHook hook) { m_messageHook = std::move(hook); }
    QPushButton* StopButton() const { return m_stop; }
    QLabel* FileLabel() const { return m_fileLabel; }
    QLabel* StatusLabel() const { return m_statusLabel; }

protected:
    // The timer dies with the window, whichever way it closes.
    void done(int result) override;

private:
    void ShowValues();
    PriceFileLocation ShowPriceFile();
    CCaelvaneDoc* ActiveDocument() const;

    std::unique_ptr<CToolTimer> m_timer;
    caelvane::ExchangeMessageHook m_messageHook;
    ActiveDocumentProvider m_activeDocument;
    PriceFileLocator m_locator;
    QPushButton* m_start;
    QPushButton* m_stop;
    QLineEdit* m_priceEdit;
    QLineEdit* m_degreeEdit;
    QLabel* m_fileLabel;
    QLabel* m_statusLabel;
};

// The price file as the desktop program finds it: CAELVANE_PRICE_FILE, then the setting
// "Settings/PriceFile" of its profile, then the default.
PriceFileLocation DesktopPriceFileLocation();
