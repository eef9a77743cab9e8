#pragma once
#include <QPointer>
#include <QString>
#include <QStringList>
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
    // Messages that came together (files handed over at once): a few are shown in one box; more
    // as a short summary with every message in a scrollable list of details, so that the box
    // always fits the screen.
    void ShowMessages(const QStringList& texts);
    // The summary box of ShowMessages: `summary` above, `details` scrollable.
    virtual void ShowSummary(const QString& summary, const QString& details);
    // More than this many messages, or this many lines in all, go into a summary.
    static constexpr int kMaxMessagesInOneBox = 4;
    static constexpr int kMaxLinesInOneBox = 20;
    // A Yes / No / Cancel question, Yes being the default button; Escape answers Cancel.
    virtual Answer AskYesNoCancel(const QString& text);

    // The window the boxes are modal to; nullptr: the active window.
    void SetParentWidget(QWidget* parent) { m_parent = parent; }
    QWidget* ParentWidget() const;

private:
    QPointer<QWidget> m_parent;
};

}  // namespace caelvane
