#include "tools/tool_commands.h"

#include <QPointer>

#include "job/caelvane_doc.h"
#include "tools/auto_run_dlg.h"
#include "tools/price_monitor_dlg.h"

namespace {
// One dialog of each kind for the whole run, owned by the window that first asked for it (the
// main window), so that its values survive from one opening to the next.
template <typename Dialog>
Dialog& TheDialog(QPointer<Dialog>& instance, QWidget* parent) {
    if (!instance) instance = new Dialog(parent);
    return *instance;
}

template <typename Dialog>
void RunTool(QPointer<Dialog>& instance, QWidget* parent,
             const ActiveDocumentProvider& activeDocument) {
    // The command belongs to the job that was active when it was given.
    CCaelvaneDoc* doc = activeDocument ? activeDocument() : nullptr;
    TheDialog(instance, parent).DoModal(activeDocument);
    if (doc != nullptr) doc->UpdateAllViews(nullptr, 0);
}
}  // namespace

void RunAutoRun(QWidget* parent, const ActiveDocumentProvider& activeDocument) {
    static QPointer<CAutoRunDlg> instance;
    RunTool(instance, parent, activeDocument);
}

void RunPriceMonitor(QWidget* parent, const ActiveDocumentProvider& activeDocument) {
    static QPointer<CPriceMonitorDlg> instance;
    RunTool(instance, parent, activeDocument);
}
