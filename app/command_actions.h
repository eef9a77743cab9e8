#pragma once
#include <QObject>
#include <map>

class QAction;
class QWidget;

// One QAction per command of the command table, with its menu text, status-bar prompt, tool
// tip, accelerator keys and, for the toolbar's commands, its image. The actions live on the
// main window, so their keys work whichever menu bar is on show.
class CCommandActions : public QObject {
    Q_OBJECT
public:
    explicit CCommandActions(QWidget& owner);

    QAction* Action(int id) const;
    const std::map<int, QAction*>& All() const { return m_actions; }

signals:
    void commandTriggered(int id);

private:
    std::map<int, QAction*> m_actions;
};
