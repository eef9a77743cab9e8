#pragma once
#include <functional>
#include <optional>

#include "platform/colorref.h"

class QWidget;
class CCaelvaneDoc;

// The colour chooser: returns the chosen colour, or nothing when the user cancels. An empty
// one is the platform's colour dialog.
using ColorChooser = std::function<std::optional<COLORREF>(QWidget* parent, COLORREF initial)>;

// The colour field a "&Color Settings" item edits, or nullptr for any other command id.
COLORREF CCaelvaneDoc::*ColorFieldOfCommand(int commandId);

// One colour item: the chooser opens on black, not on the field's colour; OK stores the
// choice, Cancel keeps the field. Either way the job is marked modified and repainted.
void RunColorCommand(QWidget* parent, CCaelvaneDoc& doc, COLORREF CCaelvaneDoc::*field,
                     const ColorChooser& chooser = {});
