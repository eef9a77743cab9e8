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
        case cmd::kPagePrevious:
            return ":/toolbar/previous.svg";
        case cmd::kPageNext:
            return ":/toolbar/next.svg";
        default:
            return nullptr;
    }
}

}  // namespace

CCommandActions::CCommandActions(QWidget& owner) : QObject(&owner) {
    for (const CommandSpec& entry : CommandTable()) {
        auto* action = new QAction(&owner);
        action->setData(entry.id);
        const QString toolTip = PromptToolTip(entry);
        if (entry.text != nullptr) {
            action->setText(QString::fromLatin1(entry.text));
        } else {
            action->setText(toolTip);  // commands with no menu item: named by their tool tip
        }
        action->setStatusTip(PromptStatusText(entry));
        action->setToolTip(toolTip.isEmpty() ? action->text() : toolTip);
        QList<QKeySequence> keys;
        for (const char* key : entry.keys) {
            if (key == nullptr) break;
            keys.append(QKeySequence(QString::fromLatin1(key), QKeySequence::PortableText));
        }
        action->setShortcuts(keys);
        if (const char* icon = ToolbarIcon(entry.id))
            action->setIcon(QIcon(QString::fromLatin1(icon)));
        if (entry.id == cmd::kViewToolbar || entry.id == cmd::kViewStatusBar ||
            entry.id == cmd::kViewActualSize || entry.id == cmd::kViewFitPage ||
            entry.id == cmd::kViewFitWidth) {
            action->setCheckable(true);
        }
        if (RouteOf(entry.id) == CommandRoute::Nobody) action->setEnabled(false);
        owner.addAction(action);
        const int id = entry.id;
        connect(action, &QAction::triggered, this, [this, id] { emit commandTriggered(id); });
        m_actions[entry.id] = action;
    }
}

QAction* CCommandActions::Action(int id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}
