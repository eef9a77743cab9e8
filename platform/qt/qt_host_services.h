#pragma once
#include <QPointer>
#include <QString>
#include <QWidget>

#include "platform/host_services.h"

namespace caelvane {

// The host as the desktop program sees it: the local calendar date from Qt, the local zone's
// daylight-saving rule, and modal message boxes over a parent window. Tests derive from it to
// answer the boxes themselves.
class CQtHostServices : public CHostServices {
public:
    enum class Answer { Yes, No, Cancel };

    explicit CQtHostServices(QWidget* parent = nullptr);

    LocalDate Today() const override;
    TimeZoneRule ZoneRule() const override;
    // Single-byte chart text (Latin-1): an OK box captioned with the program's name.
    void MessageBox(const std::string& text) override;

    // An OK box for text that is already Unicode (file names, error texts of the file layer).
    virtual void ShowMessage(const QString& text);
    // A Yes / No / Cancel question, Yes being the default button; Escape answers Cancel.
    virtual Answer AskYesNoCancel(const QString& text);

    // The window the boxes are modal to; nullptr: the active window.
    void SetParentWidget(QWidget* parent) { m_parent = parent; }
    QWidget* ParentWidget() const;

private:
    QPointer<QWidget> m_parent;
};

}  // namespace caelvane
