#pragma once
#include <QObject>
#include <QString>

#include "chart/page_style.h"

class QAction;
class QMenu;
class QSettings;
class QWidget;

// The program-wide choice of how chart pages look: kept in the profile as
// [Settings] PageStyle=classic|modern and offered as View > Page Style with check marks. Every
// view, print and export draws with it; a change applies to all of them at once. The job file
// does not record it.
class CPageStyleChoice : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kProfileKey = "Settings/PageStyle";

    // Reads the profile. A value that is no style leaves the classic page in use, and
    // ProfileProblem() says so.
    CPageStyleChoice(QSettings& profile, QWidget& owner);

    PageStyle Style() const { return m_style; }
    // Switches, stores the choice in the profile and tells everyone (once per real change).
    void Choose(PageStyle style);

    // "Page &Style": "&Classic" and "&Modern", one checked.
    QMenu* Menu() const { return m_menu; }
    QAction* ClassicAction() const { return m_classic; }
    QAction* ModernAction() const { return m_modern; }
    // Empty, or the message about a profile value that could not be used.
    const QString& ProfileProblem() const { return m_problem; }

signals:
    void styleChanged(PageStyle style);

private:
    void ShowStyle();

    QSettings& m_profile;
    PageStyle m_style = kDefaultPageStyle;
    QMenu* m_menu;
    QAction* m_classic;
    QAction* m_modern;
    QString m_problem;
};
