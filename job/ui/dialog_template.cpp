#include "job/ui/dialog_template.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

namespace caelvane {

std::map<int, QWidget*> BuildControls(QDialog* dialog, const CDialogUnits& units,
                                      std::span<const ControlTemplate> controls) {
    std::map<int, QWidget*> byId;
    QLineEdit* lastEdit = nullptr;
    for (const ControlTemplate& control : controls) {
        const QString caption = QString::fromLatin1(control.caption);
        QWidget* widget = nullptr;
        bool hidden = control.hidden;
        switch (control.kind) {
            case ControlKind::DefaultButton:
            case ControlKind::Button: {
                auto* button = new QPushButton(caption, dialog);
                button->setDefault(control.kind == ControlKind::DefaultButton);
                widget = button;
                break;
            }
            case ControlKind::Radio:
                widget = new QRadioButton(caption, dialog);
                break;
            case ControlKind::Check:
                widget = new QCheckBox(caption, dialog);
                break;
            case ControlKind::Edit:
                lastEdit = new QLineEdit(dialog);
                widget = lastEdit;
                break;
            case ControlKind::Spin: {
                auto* spin = new CSpinButtonCtrl(dialog);
                spin->SetBuddy(lastEdit);
                if (lastEdit != nullptr && lastEdit->isHidden()) hidden = true;
                widget = spin;
                break;
            }
            case ControlKind::Label: {
                // Static text: top-left in its rectangle, blanks kept as typed.
                auto* label = new QLabel(caption, dialog);
                label->setTextFormat(Qt::PlainText);
                label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                widget = label;
                break;
            }
            case ControlKind::Group:
                widget = new QGroupBox(caption, dialog);
                break;
        }
        widget->setObjectName(QString::fromLatin1(control.name));
        PlaceControl(widget, units, control.x, control.y, control.cx, control.cy);
        if (control.cx == 0) {
            // A label placed by its corner only: as large as its text.
            widget->adjustSize();
        } else if (control.kind == ControlKind::Radio || control.kind == ControlKind::Check ||
                   control.kind == ControlKind::Label) {
            // The template's widths fit the original platform's box and font; never cut a
            // caption short where this style's box or font is wider.
            widget->resize(std::max(widget->width(), widget->sizeHint().width()), widget->height());
        }
        if (hidden) widget->hide();
        if (control.id != 0) byId[control.id] = widget;
    }
    return byId;
}

}  // namespace caelvane
