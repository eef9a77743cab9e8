#pragma once
#include <map>

#include "platform/qt/data_exchange.h"

class CCaelvaneDoc;
class QLineEdit;
class QAbstractButton;

// "Select Significant Aspects": the twenty standard angles (boxes in numeric order, members in
// the document's index order) and four custom angles with their "Enable" boxes. Works on its
// own members; the command copies them from the job (LoadFrom) and back on OK (StoreTo).
class CAspectsDlg : public caelvane::CExchangeDialog {
public:
    // activeDoc: the job OK marks modified (before the angles are checked); may be null.
    explicit CAspectsDlg(CCaelvaneDoc* activeDoc, QWidget* parent = nullptr);

    void LoadFrom(const CCaelvaneDoc& doc);
    void StoreTo(CCaelvaneDoc& doc) const;
    QWidget* Control(int id) const;

    void accept() override;

    int m_aspectSelected[20] = {};
    double m_customAspect[4] = {};
    int m_customAspectEnabled[4] = {};

protected:
    void DoDataExchange(caelvane::CDataExchange& dx) override;
    void InitDialog() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    CCaelvaneDoc* m_activeDoc;
    std::map<int, QWidget*> m_controls;
};
