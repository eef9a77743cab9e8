#pragma once
#include <QWidget>

class QTextBrowser;
class QToolButton;

// The help window: the program's help pages (HTML shipped with the program) in a browser with
// Contents, Back and Forward. One window for the program; asking for help again brings it up
// at its contents page.
class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kContentsUrl = "qrc:/help/index.html";

    explicit CHelpWindow(QWidget* parent = nullptr);

    // Shows the contents page and raises the window.
    void ShowContents();
    QTextBrowser* Browser() const { return m_browser; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTextBrowser* m_browser;
    bool m_placed = false;  // placed on its parent's screen when first shown
};
