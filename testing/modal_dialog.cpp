#include "testing/modal_dialog.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <utility>

namespace caelvane::testing {

void WhenModalOpens(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) qFatal("no modal dialog is open");
        act(modal);
    });
}

void ActOnModal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) qFatal("no modal dialog is open");
        const QPointer<QWidget> dialog(modal);
        act(modal);
        if (dialog && dialog->isVisible()) QTest::keyClick(dialog, Qt::Key_Escape);
    });
}

void WhileModal(QWidget& dialog, std::function<void()> body) {
    // Tied to the dialog: nothing runs if the dialog is gone before the loop starts.
    QTimer::singleShot(0, &dialog, [&dialog, body = std::move(body)] {
        body();
        if (dialog.isVisible()) QTest::keyClick(&dialog, Qt::Key_Escape);
    });
}

}  // namespace caelvane::testing
