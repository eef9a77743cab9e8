#pragma once
#include <functional>
#include <optional>

#include "platform/colorref.h"

class QWidget;
class CCaelvaneDoc;

// The colour chooser: returns the chosen colour, or nothing when the user cancels.
using ColorChooser = std::function<std::optional<COLORREF>(QWidget* parent, COLORREF initial)>;
// Installs `chooser` for the whole program (an empty one restores the platform's colour
// dialog) and returns the one it replaces.
ColorChooser SetColorChooser(ColorChooser chooser);

// The colour field a "&Color Settings" item edits, or nullptr for any other command id.
COLORREF CCaelvaneDoc::*ColorFieldOfCommand(int commandId);

// One colour item: the chooser opens on black, not on the field's colour; OK stores the
// choice, Cancel keeps the field. Either way the job is marked modified and repainted.
void RunColorCommand(QWidget* parent, CCaelvaneDoc& doc, COLORREF CCaelvaneDoc::*field);
