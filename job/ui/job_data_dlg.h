#pragma once
#include <map>
#include <string>

#include "platform/qt/data_exchange.h"

class CCaelvaneDoc;
class QLineEdit;
class QAbstractButton;
class QButtonGroup;

// "Enter Job Data ": job type and dates, natal date, flags, note, hot spots and overlay
// circle. Works on its own members; the command copies them from the job (LoadFrom) and back
// on OK (StoreTo). Every control carries an object name (see the .cpp) and can be reached by
// its resource number through Control().
class CJobDataDlg : public caelvane::CExchangeDialog {
public:
    // activeDoc: the job OK marks modified (before the fields are checked); may be null.
    explicit CJobDataDlg(CCaelvaneDoc* activeDoc, QWidget* parent = nullptr);

    void LoadFrom(const CCaelvaneDoc& doc);
    void StoreTo(CCaelvaneDoc& doc) const;
    QWidget* Control(int id) const;

    void accept() override;

    // The document's byte-wide flags are held as int here.
    int m_jobType = 0;
    int m_includeAspects = 0;
    int m_includeNatal = 0;
    int m_reversePrintOrder = 0;
    int m_useColor = 0;
    std::string m_note;
    int m_daysBefore = 0;
    int m_daysAfter = 0;
    int m_startMonth = 0, m_startDay = 0, m_startYear = 0;
    int m_endMonth = 0, m_endDay = 0, m_endYear = 0;
    int m_natalMonth = 0, m_natalDay = 0, m_natalYear = 0;
    double m_hotSpotDegree[4] = {};
    std::string m_hotSpotLabel[4];
    int m_useDaylightTime = 0;
    int m_overlayEnabled = 0;
    int m_overlayParts = 0;
    double m_overlayStartDegree = 0.0;
    int m_overlayFirstValue = 0;
    int m_overlayStepSize = 0;
    int m_printToDib = 0;

protected:
    void DoDataExchange(caelvane::CDataExchange& dx) override;
    void InitDialog() override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QLineEdit* Edit(int id) const;
    QAbstractButton* Button(int id) const;
    void ShowControls(std::initializer_list<int> ids, bool show);

    void OnJobTypeClicked(int jobType);
    void OnIncludeNatalClicked();
    void OnEnableOverlayClicked();
    void ApplyJobTypeRow(int jobType);
    void ApplyNatalRule();
    void ApplyOverlayRule();
    // What every paint does: the checked radio's row, the natal rule when its box is checked,
    // the overlay rule; no exchange, so no messages.
    void ApplyPaintRules();

    CCaelvaneDoc* m_activeDoc;
    std::map<int, QWidget*> m_controls;
    QButtonGroup* m_jobTypeGroup;
};
