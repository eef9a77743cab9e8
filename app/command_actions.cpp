#include "app/command_actions.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QWidget>

#include "app/command_ids.h"
#include "app/command_table.h"

namespace {

const char* ToolbarIcon(int id) {
    switch (id) {
        case cmd::kFileNew:
            return ":/toolbar/new.svg";
        case cmd::kFileOpen:
            return ":/toolbar/open.svg";
        case cmd::kFileSave:
            return ":/toolbar/save.svg";
        case cmd::kEditCut:
            return ":/toolbar/cut.svg";
        case cmd::kEditCopy:
            return ":/toolbar/copy.svg";
        case cmd::kEditPaste:
            return ":/toolbar/paste.svg";
        case cmd::kFilePrint:
            return ":/toolbar/print.svg";
        case cmd::kAppAbout:
            return ":/toolbar/about.svg";
        default:
            return nullptr;
    }
}

}  // namespace

CCommandActions::CCommandActions(QWidget& owner) : QObject(&owner) {
    for (const CommandSpec& spec : CommandTable()) {
        auto* action = new QAction(&owner);
        action->setData(spec.id);
        const QString toolTip = PromptToolTip(spec);
        if (spec.text != nullptr) {
            action->setText(QString::fromLatin1(spec.text));
        } else {
            action->setText(toolTip);  // commands with no menu item: named by their tool tip
        }
        action->setStatusTip(PromptStatusText(spec));
        action->setToolTip(toolTip.isEmpty() ? action->text() : toolTip);
        QList<QKeySequence> keys;
        for (const char* key : spec.keys) {
            if (key == nullptr) break;
            keys.append(QKeySequence(QString::fromLatin1(key), QKeySequence::PortableText));
        }
        action->setShortcuts(keys);
        if (const char* icon = ToolbarIcon(spec.id))
            action->setIcon(QIcon(QString::fromLatin1(icon)));
        if (spec.id == cmd::kViewToolbar || spec.id == cmd::kViewStatusBar) {
            action->setCheckable(true);
        }
        if (RouteOf(spec.id) == CommandRoute::Nobody) action->setEnabled(false);
        owner.addAction(action);
        const int id = spec.id;
        connect(action, &QAction::triggered, this, [this, id] { emit commandTriggered(id); });
        m_actions[spec.id] = action;
    }
}

QAction* CCommandActions::Action(int id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}
