#include "app/page_style_choice.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QSettings>
#include <QWidget>
#include <string>

CPageStyleChoice::CPageStyleChoice(QSettings& profile, QWidget& owner)
    : QObject(&owner), m_profile(profile) {
    const QVariant stored = m_profile.value(QString::fromLatin1(kProfileKey));
    if (stored.isValid()) {
        std::string error;
        if (const std::optional<PageStyle> style =
                ReadPageStyle(stored.toString().toStdString(), error)) {
            m_style = *style;
        } else {
            m_problem = QStringLiteral(
                            "The profile's setting PageStyle=%1 cannot be used: %2. "
                            "Pages are drawn in the classic style.")
                            .arg(stored.toString(), QString::fromStdString(error));
        }
    }

    m_menu = new QMenu(QStringLiteral("Page &Style"), &owner);
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    m_classic = m_menu->addAction(QStringLiteral("&Classic"));
    m_modern = m_menu->addAction(QStringLiteral("&Modern"));
    for (QAction* action : {m_classic, m_modern}) {
        action->setCheckable(true);
        group->addAction(action);
    }
    m_classic->setStatusTip(
        QStringLiteral("Draw pages as they always were: letters, whole degrees"));
    m_modern->setStatusTip(QStringLiteral(
        "Draw pages with symbols and a key, positions to the minute, retrograde marks and "
        "declinations, nothing overlapping"));
    connect(m_classic, &QAction::triggered, this, [this] { Choose(PageStyle::Classic); });
    connect(m_modern, &QAction::triggered, this, [this] { Choose(PageStyle::Modern); });
    ShowStyle();
}

void CPageStyleChoice::Choose(PageStyle style) {
    m_profile.setValue(QString::fromLatin1(kProfileKey), QString::fromLatin1(PageStyleName(style)));
    if (style == m_style) {
        ShowStyle();
        return;
    }
    m_style = style;
    ShowStyle();
    emit styleChanged(style);
}

void CPageStyleChoice::ShowStyle() {
    m_classic->setChecked(m_style == PageStyle::Classic);
    m_modern->setChecked(m_style == PageStyle::Modern);
}
