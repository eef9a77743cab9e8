#pragma once
// Builds a dialog's controls from a table in template order: each at its rectangle in dialog
// units, named, with its caption. Creation order is the tab order and the stacking order (group
// boxes first, so they lie under the controls they frame). A spin takes the edit created just
// before it as its buddy and starts hidden when that edit does. Boxes, radios and labels
// grow to their caption's width when the rectangle is too narrow for this style and font.
#include <map>
#include <span>

#include "platform/qt/data_exchange.h"

class QDialog;

namespace caelvane {

enum class ControlKind { DefaultButton, Button, Radio, Check, Edit, Spin, Label, Group };

struct ControlTemplate {
    int id;  // resource number; 0 for frames and labels without one
    ControlKind kind;
    const char* name;     // object name
    const char* caption;  // text of buttons, boxes and labels
    int x, y, cx, cy;     // dialog units; a label with cx 0 is as large as its text
    bool hidden;          // not visible when the dialog is created
};

// Creates the controls on `dialog` and returns those with a resource number by number.
std::map<int, QWidget*> BuildControls(QDialog* dialog, const CDialogUnits& units,
                                      std::span<const ControlTemplate> controls);

}  // namespace caelvane
