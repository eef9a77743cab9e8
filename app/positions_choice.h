#pragma once
#include <QObject>
#include <QString>

#include "ephemeris/position_source.h"

class QAction;
class QLabel;
class QMenu;
class QSettings;
class QWidget;

// The program-wide choice of where positions come from: kept in the profile as
// [Settings] Positions=series|precise, offered as a submenu with check marks, shown in a
// status-bar field. Every view draws with it; a change applies to all of them at once.
class CPositionsChoice : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kProfileKey = "Settings/Positions";

    // Reads the profile. A value that is no source (or "precise" in a build without it) leaves
    // the series in use, and ProfileProblem() says so.
    CPositionsChoice(QSettings& profile, QWidget& owner);

    PositionSource Source() const { return m_source; }
    // Switches, stores the choice in the profile and tells everyone (once per real change).
    void Choose(PositionSource source);

    // "&Positions": "&Classic series" and "&Precise (Swiss Ephemeris)", one checked.
    QMenu* Menu() const { return m_menu; }
    QAction* SeriesAction() const { return m_series; }
    QAction* PreciseAction() const { return m_precise; }
    // The status-bar field: "Positions: classic series" or the library and its data.
    QLabel* StatusField() const { return m_field; }
    // Empty, or the message about a profile value that could not be used.
    const QString& ProfileProblem() const { return m_problem; }

signals:
    void sourceChanged(PositionSource source);

private:
    void ShowSource();

    QSettings& m_profile;
    PositionSource m_source = kDefaultPositionSource;
    QMenu* m_menu;
    QAction* m_series;
    QAction* m_precise;
    QLabel* m_field;
    QString m_problem;
};
