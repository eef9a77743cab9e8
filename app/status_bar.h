#pragma once
#include <QStatusBar>

class QLabel;
class QTimer;

// The main window's status bar: the message pane ("Ready" when idle, the prompt of the menu
// item or button under the pointer otherwise) and the CAP, NUM and SCRL indicators, which
// show their text while the lock key is on and stay blank where the platform does not tell;
// before them, the active job's page and its date.
class CMainStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit CMainStatusBar(QWidget* parent = nullptr);

    QString IdleText() const;
    // Re-reads the lock keys (also done on a timer, as the keys may change in other programs).
    void UpdateIndicators();
    const QLabel* CapsIndicator() const { return m_caps; }
    const QLabel* NumIndicator() const { return m_num; }
    const QLabel* ScrollIndicator() const { return m_scroll; }
    // The active job's page ("Page 3 of 31") and its date; empty texts hide the panes.
    void SetPageStatus(const QString& page, const QString& date);
    const QLabel* PageIndicator() const { return m_page; }
    const QLabel* DateIndicator() const { return m_date; }

private:
    QLabel* AddIndicator(const char* text);
    QLabel* AddPane(const char* name);

    QLabel* m_ready;
    QLabel* m_page;
    QLabel* m_date;
    QLabel* m_caps;
    QLabel* m_num;
    QLabel* m_scroll;
    QTimer* m_poll;
};
