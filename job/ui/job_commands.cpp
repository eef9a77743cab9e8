#include "job/ui/job_commands.h"

#include <QDialog>

#include "job/caelvane_doc.h"
#include "job/ui/aspects_dlg.h"
#include "job/ui/color_commands.h"
#include "job/ui/job_data_dlg.h"

namespace {

constexpr int kJobDescription = 32771;
constexpr int kAllToBlack = 32790;
constexpr int kStandardDefault = 32791;
constexpr int kSignificantAspects = 32793;

// The dialogs edit their own copies; the job changes only on OK. Every ending repaints.
template <typename Dialog>
void RunJobDialog(QWidget* parent, CCaelvaneDoc& doc, const JobCommandHooks& hooks) {
    Dialog dialog(&doc, parent);
    dialog.SetMessageHook(hooks.showMessage);
    dialog.LoadFrom(doc);
    if (dialog.exec() == QDialog::Accepted) dialog.StoreTo(doc);
    doc.UpdateAllViews(nullptr, 0);
}

}  // namespace

bool RunJobCommand(QWidget* parent, CCaelvaneDoc& doc, int commandId,
                   const JobCommandHooks& hooks) {
    switch (commandId) {
        case kJobDescription:
            RunJobDialog<CJobDataDlg>(parent, doc, hooks);
            return true;
        case kSignificantAspects:
            RunJobDialog<CAspectsDlg>(parent, doc, hooks);
            return true;
        case kAllToBlack:
        case kStandardDefault:
            if (commandId == kAllToBlack) {
                doc.SetAllColorsToBlack();
            } else {
                doc.SetStandardDefaultColors();
            }
            doc.SetModifiedFlag(true);
            doc.UpdateAllViews(nullptr, 0);
            return true;
        default:
            break;
    }
    if (COLORREF CCaelvaneDoc::*field = ColorFieldOfCommand(commandId)) {
        RunColorCommand(parent, doc, field, hooks.chooseColor);
        return true;
    }
    return false;
}
