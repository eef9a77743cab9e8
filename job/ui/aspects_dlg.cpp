#include "job/ui/aspects_dlg.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "job/caelvane_doc.h"
#include "job/job_checks.h"
#include "job/ui/dialog_template.h"

using caelvane::CDataExchange;
using caelvane::ControlKind;
using caelvane::ControlTemplate;

namespace {

constexpr ControlKind kButton = ControlKind::Button;
constexpr ControlKind kCheck = ControlKind::Check;
constexpr ControlKind kEdit = ControlKind::Edit;
constexpr ControlKind kSpin = ControlKind::Spin;
constexpr ControlKind kLabel = ControlKind::Label;

// Template 134, 282 x 198 dialog units.
constexpr int kWidth = 282;
constexpr int kHeight = 198;

// clang-format off
constexpr ControlTemplate kTemplate[] = {
    {0, kLabel, "checkHeading", "Check Desired Significant Aspects", 25, 7, 0, 0, false},
    {0, kLabel, "customHeading", "Enter Custom Significant Aspects Below", 25, 140, 0, 0, false},
    {0, kLabel, "custom1Label", "Custom 1", 25, 180, 0, 0, false},
    {0, kLabel, "custom2Label", "Custom 2", 71, 180, 0, 0, false},
    {0, kLabel, "custom3Label", "Custom 3", 116, 180, 0, 0, false},
    {0, kLabel, "custom4Label", "Custom 4", 166, 180, 0, 0, false},

    {1, kButton, "ok", "OK", 225, 5, 50, 15, false},
    {2, kButton, "cancel", "Cancel", 225, 24, 50, 14, false},
    {1096, kCheck, "aspect0", "0", 15, 20, 20, 10, false},
    {1097, kCheck, "aspect30", "30", 15, 46, 23, 10, false},
    {1098, kCheck, "aspect45", "45", 15, 72, 23, 10, false},
    {1099, kCheck, "aspect60", "60", 15, 98, 23, 10, false},
    {1100, kCheck, "aspect72", "72", 15, 124, 23, 10, false},
    {1101, kCheck, "aspect90", "90", 65, 20, 23, 10, false},
    {1102, kCheck, "aspect120", "120", 65, 46, 27, 10, false},
    {1103, kCheck, "aspect135", "135", 65, 72, 27, 10, false},
    {1104, kCheck, "aspect144", "144", 65, 98, 27, 10, false},
    {1105, kCheck, "aspect150", "150", 65, 124, 27, 10, false},
    {1107, kCheck, "aspect180", "180", 115, 20, 27, 10, false},
    {1108, kCheck, "aspect210", "210", 115, 46, 27, 10, false},
    {1109, kCheck, "aspect216", "216", 115, 72, 27, 10, false},
    {1110, kCheck, "aspect225", "225", 115, 98, 27, 10, false},
    {1111, kCheck, "aspect240", "240", 115, 124, 27, 10, false},
    {1112, kCheck, "aspect270", "270", 165, 20, 27, 10, false},
    {1116, kCheck, "aspect288", "288", 165, 46, 27, 10, false},
    {1117, kCheck, "aspect300", "300", 165, 72, 27, 10, false},
    {1118, kCheck, "aspect315", "315", 165, 98, 27, 10, false},
    {1120, kCheck, "aspect330", "330", 165, 124, 27, 10, false},
    {1121, kEdit, "customAspect1", "", 15, 154, 29, 14, false},
    {1010, kSpin, "customAspect1Spin", "", 45, 155, 10, 14, false},
    {1122, kEdit, "customAspect2", "", 65, 154, 29, 14, false},
    {1004, kSpin, "customAspect2Spin", "", 95, 155, 10, 14, false},
    {1123, kEdit, "customAspect3", "", 115, 154, 29, 14, false},
    {1005, kSpin, "customAspect3Spin", "", 145, 155, 10, 14, false},
    {1124, kEdit, "customAspect4", "", 165, 154, 29, 14, false},
    {1006, kSpin, "customAspect4Spin", "", 195, 155, 10, 14, false},
    {1125, kCheck, "enable1", "Enable", 15, 170, 38, 10, false},
    {1126, kCheck, "enable2", "Enable", 65, 170, 38, 10, false},
    {1127, kCheck, "enable3", "Enable", 115, 170, 38, 10, false},
    {1128, kCheck, "enable4", "Enable", 165, 170, 38, 10, false},
};
// clang-format on

// The box of each index of m_aspectSelected (the text order of the angles).
constexpr int kBoxByIndex[20] = {1096, 1102, 1103, 1104, 1105, 1107, 1108, 1109, 1110, 1111,
                                 1112, 1116, 1097, 1117, 1118, 1120, 1098, 1099, 1100, 1101};
constexpr int kCustomEdits[4] = {1121, 1122, 1123, 1124};
constexpr int kCustomSpins[4] = {1010, 1004, 1005, 1006};
constexpr int kEnableBoxes[4] = {1125, 1126, 1127, 1128};

}  // namespace

CAspectsDlg::CAspectsDlg(CCaelvaneDoc* activeDoc, QWidget* parent)
    : CExchangeDialog(parent), m_activeDoc(activeDoc) {
    setWindowTitle(QStringLiteral("Select Significant Aspects"));
    const caelvane::CDialogUnits units(font());
    setFixedSize(units.MapX(kWidth), units.MapY(kHeight));
    m_controls = caelvane::BuildControls(this, units, kTemplate);

    // Neither button is the default one; Enter still means OK (see keyPressEvent).
    for (int id : {1, 2}) {
        auto* button = static_cast<QPushButton*>(Control(id));
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(static_cast<QPushButton*>(Control(1)), &QPushButton::clicked, this,
            &CAspectsDlg::accept);
    connect(static_cast<QPushButton*>(Control(2)), &QPushButton::clicked, this,
            &CAspectsDlg::reject);
}

QWidget* CAspectsDlg::Control(int id) const {
    const auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second;
}

void CAspectsDlg::LoadFrom(const CCaelvaneDoc& doc) {
    for (int i = 0; i < 20; ++i) m_aspectSelected[i] = doc.m_aspectSelected[i];
    for (int i = 0; i < 4; ++i) {
        m_customAspect[i] = doc.m_customAspect[i];
        m_customAspectEnabled[i] = doc.m_customAspectEnabled[i];
    }
}

void CAspectsDlg::StoreTo(CCaelvaneDoc& doc) const {
    for (int i = 0; i < 20; ++i) doc.m_aspectSelected[i] = m_aspectSelected[i];
    for (int i = 0; i < 4; ++i) {
        doc.m_customAspect[i] = m_customAspect[i];
        doc.m_customAspectEnabled[i] = m_customAspectEnabled[i];
    }
}

void CAspectsDlg::DoDataExchange(CDataExchange& dx) {
    for (int i = 0; i < 20; ++i) {
        caelvane::DdxCheck(dx, static_cast<QAbstractButton*>(Control(kBoxByIndex[i])),
                           m_aspectSelected[i]);
    }
    for (int i = 0; i < 4; ++i) {
        caelvane::DdxText(dx, static_cast<QLineEdit*>(Control(kCustomEdits[i])), m_customAspect[i]);
        caelvane::DdvMinMaxDouble(dx, m_customAspect[i], job_limits::kCustomAspect.low,
                                  job_limits::kCustomAspect.high);
    }
    for (int i = 0; i < 4; ++i) {
        caelvane::DdxCheck(dx, static_cast<QAbstractButton*>(Control(kEnableBoxes[i])),
                           m_customAspectEnabled[i]);
    }
}

void CAspectsDlg::InitDialog() {
    CExchangeDialog::InitDialog();
    for (int id : kCustomSpins) {
        static_cast<caelvane::CSpinButtonCtrl*>(Control(id))->SetRange(0, 359);
    }
}

void CAspectsDlg::accept() {
    // The job counts as changed from the moment OK is pressed, even if an angle then fails.
    if (m_activeDoc != nullptr) m_activeDoc->SetModifiedFlag(true);
    CExchangeDialog::accept();
}

void CAspectsDlg::keyPressEvent(QKeyEvent* event) {
    // With no default button, Enter means OK, unless a push button has the focus: then it
    // presses that button.
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else {
            accept();
        }
        return;
    }
    CExchangeDialog::keyPressEvent(event);
}
