#include "app/positions_choice.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QWidget>
#include <string>

CPositionsChoice::CPositionsChoice(QSettings& profile, QWidget& owner)
    : QObject(&owner), m_profile(profile) {
    const QVariant stored = m_profile.value(QString::fromLatin1(kProfileKey));
    if (stored.isValid()) {
        const std::string text = stored.toString().toStdString();
        std::string error;
        if (const std::optional<PositionSource> source = ReadPositionSource(text, error)) {
            m_source = *source;
        } else {
            m_problem = QStringLiteral(
                            "The profile's setting Positions=%1 cannot be used: %2. "
                            "Positions come from the classic series.")
                            .arg(stored.toString(), QString::fromStdString(error));
        }
    }

    m_menu = new QMenu(QStringLiteral("&Positions"), &owner);
    m_menu->setToolTipsVisible(false);
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    m_series = m_menu->addAction(QStringLiteral("&Classic series"));
    m_precise = m_menu->addAction(QStringLiteral("&Precise (Swiss Ephemeris)"));
    for (QAction* action : {m_series, m_precise}) {
        action->setCheckable(true);
        group->addAction(action);
    }
    m_series->setStatusTip(QStringLiteral("Compute positions from the program's own series"));
    m_precise->setStatusTip(
        QStringLiteral("Take apparent positions from Swiss Ephemeris and its data files"));
    m_precise->setEnabled(PrecisePositionsAvailable());
    connect(m_series, &QAction::triggered, this, [this] { Choose(PositionSource::Series); });
    connect(m_precise, &QAction::triggered, this, [this] { Choose(PositionSource::Precise); });

    m_field = new QLabel(&owner);
    m_field->setObjectName(QStringLiteral("Positions"));
    m_field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ShowSource();
}

void CPositionsChoice::Choose(PositionSource source) {
    if (source == PositionSource::Precise && !PrecisePositionsAvailable()) return;
    m_profile.setValue(QString::fromLatin1(kProfileKey),
                       QString::fromLatin1(PositionSourceName(source)));
    if (source == m_source) {
        ShowSource();
        return;
    }
    m_source = source;
    ShowSource();
    emit sourceChanged(source);
}

void CPositionsChoice::ShowSource() {
    m_series->setChecked(m_source == PositionSource::Series);
    m_precise->setChecked(m_source == PositionSource::Precise);
    const std::string description = PositionSourceDescription(m_source);
    m_field->setText(QStringLiteral("Positions: %1").arg(QString::fromStdString(description)));
}
