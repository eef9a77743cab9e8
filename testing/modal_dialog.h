#pragma once
// The code under test often opens a modal dialog and waits in its event loop; a test acts on
// that dialog from inside the loop, queued before the call that opens it.
#include <QWidget>
#include <functional>

namespace caelvane::testing {

// Runs `act` on the modal dialog once the code under test has opened it. Aborts the test run
// when no modal dialog is open by then (the call under test would otherwise wait for ever).
void WhenModalOpens(std::function<void(QWidget*)> act);

// As WhenModalOpens, then closes that dialog with Escape if `act` left it open. A check that
// fails inside `act` returns from it early; the dialog then still closes, so the call under
// test returns and the failure is reported instead of the run waiting for ever.
void ActOnModal(std::function<void(QWidget*)> act);

// Runs `body` inside the modal loop of `dialog` (whose exec or DoModal follows), then leaves
// with Escape if the dialog is still open.
void WhileModal(QWidget& dialog, std::function<void()> body);

}  // namespace caelvane::testing
