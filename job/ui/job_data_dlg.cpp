#include "job/ui/job_data_dlg.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>

#include "job/caelvane_doc.h"
#include "job/job_checks.h"
#include "job/job_type.h"
#include "job/ui/dialog_template.h"

using caelvane::CDataExchange;
using caelvane::ControlKind;
using caelvane::ControlTemplate;

namespace {

constexpr ControlKind kDefault = ControlKind::DefaultButton;
constexpr ControlKind kButton = ControlKind::Button;
constexpr ControlKind kRadio = ControlKind::Radio;
constexpr ControlKind kCheck = ControlKind::Check;
constexpr ControlKind kEdit = ControlKind::Edit;
constexpr ControlKind kSpin = ControlKind::Spin;
constexpr ControlKind kLabel = ControlKind::Label;
constexpr ControlKind kGroup = ControlKind::Group;

// Template 131, 326 x 237 dialog units.
constexpr int kWidth = 326;
constexpr int kHeight = 237;

// clang-format off
constexpr ControlTemplate kTemplate[] = {
    {0, kGroup, "jobTypeGroup", "Job Type", 15, 0, 181, 109, false},
    {0, kGroup, "hotSpotsGroup", "Hot Spots", 200, 47, 119, 86, false},
    {0, kGroup, "dateDataGroup", "Date Data -Enter Items Shown", 15, 110, 181, 115, false},
    {0, kGroup, "overlayGroup", "Overlay Circle", 200, 134, 119, 91, false},
    {0, kLabel, "hotSpotRow1", "1", 203, 75, 0, 0, false},
    {0, kLabel, "hotSpotRow2", "2", 203, 89, 0, 0, false},
    {0, kLabel, "hotSpotRow3", "3", 203, 103, 0, 0, false},
    {0, kLabel, "labelsHeading", "Labels", 278, 62, 0, 0, false},
    {0, kLabel, "noteLabel", "Note:", 17, 94, 0, 0, false},

    {1, kDefault, "ok", "OK", 269, 7, 50, 14, false},
    {2, kButton, "cancel", "Cancel", 269, 24, 50, 14, false},
    {1045, kRadio, "jobTypeToday", "One Date: TODAY", 20, 10, 165, 10, false},
    {1046, kRadio, "jobTypeStart", "One Date: Starting MDY", 20, 21, 168, 10, false},
    {1047, kRadio, "jobTypeTodayRange", "Date Range: TODAY -/+", 20, 32, 165, 10, false},
    {1048, kRadio, "jobTypeStartEnd", "Date Range: Starting MDY to Ending MDY", 20, 43, 171, 10, false},
    {1021, kCheck, "includeNatal", "Include Natal Date", 20, 54, 83, 10, false},
    {1044, kCheck, "includeAspects", "Include Aspects", 20, 65, 85, 10, false},
    {1056, kCheck, "reversePrintOrder", "Reverse Printing Order", 20, 76, 82, 10, false},
    {1049, kEdit, "note", "", 34, 92, 152, 14, false},
    {1037, kEdit, "daysBefore", "", 59, 124, 40, 14, true},
    {1008, kSpin, "daysBeforeSpin", "", 98, 124, 10, 14, false},
    {1039, kEdit, "daysAfter", "", 121, 124, 40, 14, true},
    {1058, kSpin, "daysAfterSpin", "", 160, 124, 10, 14, false},
    {1015, kEdit, "startMonth", "", 27, 146, 43, 15, false},
    {1061, kSpin, "startMonthSpin", "", 68, 147, 10, 14, false},
    {1016, kEdit, "startDay", "", 76, 146, 43, 15, false},
    {1062, kSpin, "startDaySpin", "", 117, 147, 10, 14, false},
    {1017, kEdit, "startYear", "", 125, 146, 43, 15, false},
    {1063, kSpin, "startYearSpin", "", 166, 147, 10, 14, false},
    {1022, kEdit, "endMonth", "", 27, 171, 43, 15, true},
    {1064, kSpin, "endMonthSpin", "", 68, 172, 10, 14, false},
    {1023, kEdit, "endDay", "", 76, 171, 43, 15, true},
    {1065, kSpin, "endDaySpin", "", 117, 172, 10, 14, false},
    {1024, kEdit, "endYear", "", 125, 171, 43, 15, true},
    {1066, kSpin, "endYearSpin", "", 166, 172, 10, 14, false},
    {1025, kEdit, "natalMonth", "", 27, 194, 43, 15, true},
    {1067, kSpin, "natalMonthSpin", "", 68, 195, 10, 14, false},
    {1026, kEdit, "natalDay", "", 76, 194, 43, 15, true},
    {1068, kSpin, "natalDaySpin", "", 117, 195, 10, 14, false},
    {1027, kEdit, "natalYear", "", 125, 194, 43, 15, true},
    {1069, kSpin, "natalYearSpin", "", 166, 195, 10, 14, false},
    {1028, kEdit, "hotSpot1", "", 214, 73, 40, 14, false},
    {1010, kSpin, "hotSpot1Spin", "", 256, 73, 10, 14, false},
    {1029, kEdit, "hotSpot2", "", 214, 87, 40, 14, false},
    {1004, kSpin, "hotSpot2Spin", "", 256, 87, 10, 14, false},
    {1030, kEdit, "hotSpot3", "", 214, 101, 40, 14, false},
    {1005, kSpin, "hotSpot3Spin", "", 256, 101, 10, 14, false},
    {1031, kEdit, "hotSpot4", "", 214, 115, 40, 14, false},
    {1006, kSpin, "hotSpot4Spin", "", 256, 115, 10, 14, false},
    {1053, kLabel, "todayMinusLabel", "TODAY   - ", 18, 124, 35, 8, true},
    {1050, kLabel, "startLabel", "Starting Month                Day                       Year", 18, 161, 170, 8, false},
    {1051, kLabel, "endLabel", "Ending Month                 Day                        Year", 18, 187, 170, 8, true},
    {1052, kLabel, "natalLabel", "Natal Month                    Day                         Year", 19, 210, 173, 10, true},
    {1055, kLabel, "noDataLabel", "No Data Needed Unless Natal is Selected", 18, 138, 174, 8, true},
    {1070, kLabel, "toPlusLabel", "TO +", 103, 124, 16, 8, false},
    {1071, kCheck, "useColor", "Use Color", 118, 65, 70, 10, false},
    {1135, kEdit, "hotSpotLabel1", "", 273, 73, 40, 14, false},
    {1136, kEdit, "hotSpotLabel2", "", 273, 87, 40, 14, false},
    {1137, kEdit, "hotSpotLabel3", "", 273, 101, 40, 14, false},
    {1138, kEdit, "hotSpotLabel4", "", 273, 115, 40, 14, false},
    {1139, kCheck, "useDaylightTime", "Use Daylight Time", 118, 54, 72, 10, false},
    {1140, kCheck, "enableOverlay", "Enable Overlay", 207, 142, 63, 10, false},
    {1141, kEdit, "overlayParts", "", 264, 154, 40, 14, false},
    {1142, kSpin, "overlayPartsSpin", "", 302, 154, 10, 14, false},
    {1143, kEdit, "overlayStartDegree", "", 264, 170, 40, 14, false},
    {1144, kSpin, "overlayStartDegreeSpin", "", 302, 170, 10, 14, false},
    {1145, kEdit, "overlayFirstValue", "", 264, 186, 40, 14, false},
    {1146, kSpin, "overlayFirstValueSpin", "", 302, 186, 10, 14, false},
    {1147, kEdit, "overlayStepSize", "", 264, 202, 40, 14, false},
    {1148, kSpin, "overlayStepSizeSpin", "", 302, 202, 10, 14, false},
    {1149, kLabel, "overlayPartsLabel", "Number of Parts", 207, 160, 0, 0, false},
    {1150, kLabel, "overlayStartDegreeLabel", "Starting Degree", 207, 176, 0, 0, false},
    {1151, kLabel, "overlayFirstValueLabel", "First Value", 207, 192, 0, 0, false},
    {1152, kLabel, "overlayStepSizeLabel", "Step Size", 207, 208, 0, 0, false},
    {1157, kCheck, "printToDib", "Print to .DIB", 118, 76, 50, 10, false},
};

struct SpinRange { int id, lower, upper; };
constexpr SpinRange kSpinRanges[] = {
    {1008, -10, 10000}, {1058, 0, 10000},
    {1061, 1, 12}, {1062, 1, 31}, {1063, 1400, 2600},
    {1064, 1, 12}, {1065, 1, 31}, {1066, 1400, 2600},
    {1067, 1, 12}, {1068, 1, 31}, {1069, 1400, 2600},
    {1010, 0, 359}, {1004, 0, 359}, {1005, 0, 359}, {1006, 0, 359},
    {1142, 1, 90}, {1144, 0, 359}, {1146, -100000, 100000}, {1148, -100000, 100000},
};
// clang-format on

constexpr int kJobTypeRadios[4] = {1045, 1046, 1047, 1048};
constexpr int kHotSpotEdits[4] = {1028, 1029, 1030, 1031};
constexpr int kHotSpotLabelEdits[4] = {1135, 1136, 1137, 1138};

}  // namespace

CJobDataDlg::CJobDataDlg(CCaelvaneDoc* activeDoc, QWidget* parent)
    : CExchangeDialog(parent), m_activeDoc(activeDoc), m_jobTypeGroup(new QButtonGroup(this)) {
    setWindowTitle(QStringLiteral("Enter Job Data "));
    const caelvane::CDialogUnits units(font());
    setFixedSize(units.MapX(kWidth), units.MapY(kHeight));
    m_controls = caelvane::BuildControls(this, units, kTemplate);

    connect(Button(1), &QAbstractButton::clicked, this, &CJobDataDlg::accept);
    connect(Button(2), &QAbstractButton::clicked, this, &CJobDataDlg::reject);
    for (int type = 0; type < 4; ++type) {
        QAbstractButton* radio = Button(kJobTypeRadios[type]);
        m_jobTypeGroup->addButton(radio, type);
        connect(radio, &QAbstractButton::clicked, this, [this, type] { OnJobTypeClicked(type); });
    }
    connect(Button(1021), &QAbstractButton::clicked, this, &CJobDataDlg::OnIncludeNatalClicked);
    connect(Button(1140), &QAbstractButton::clicked, this, &CJobDataDlg::OnEnableOverlayClicked);
}

QWidget* CJobDataDlg::Control(int id) const {
    const auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second;
}

QLineEdit* CJobDataDlg::Edit(int id) const {
    return static_cast<QLineEdit*>(Control(id));
}

QAbstractButton* CJobDataDlg::Button(int id) const {
    return static_cast<QAbstractButton*>(Control(id));
}

void CJobDataDlg::LoadFrom(const CCaelvaneDoc& doc) {
    m_jobType = doc.m_jobType;
    m_includeAspects = doc.m_includeAspects;
    m_includeNatal = doc.m_includeNatal;
    m_reversePrintOrder = doc.m_reversePrintOrder;
    m_useColor = doc.m_useColor;
    m_note = doc.m_note;
    m_daysBefore = doc.m_daysBefore;
    m_daysAfter = doc.m_daysAfter;
    m_startMonth = doc.m_startMonth;
    m_startDay = doc.m_startDay;
    m_startYear = doc.m_startYear;
    m_endMonth = doc.m_endMonth;
    m_endDay = doc.m_endDay;
    m_endYear = doc.m_endYear;
    m_natalMonth = doc.m_natalMonth;
    m_natalDay = doc.m_natalDay;
    m_natalYear = doc.m_natalYear;
    for (int i = 0; i < 4; ++i) {
        m_hotSpotDegree[i] = doc.m_hotSpotDegree[i];
        m_hotSpotLabel[i] = doc.m_hotSpotLabel[i];
    }
    m_useDaylightTime = doc.m_useDaylightTime;
    m_overlayEnabled = doc.m_overlayEnabled;
    m_overlayParts = doc.m_overlayParts;
    m_overlayStartDegree = doc.m_overlayStartDegree;
    m_overlayFirstValue = doc.m_overlayFirstValue;
    m_overlayStepSize = doc.m_overlayStepSize;
    m_printToDib = doc.m_printToDib;
}

void CJobDataDlg::StoreTo(CCaelvaneDoc& doc) const {
    doc.m_jobType = m_jobType;
    doc.m_includeAspects = static_cast<std::uint8_t>(m_includeAspects);
    doc.m_includeNatal = static_cast<std::uint8_t>(m_includeNatal);
    doc.m_reversePrintOrder = static_cast<std::uint8_t>(m_reversePrintOrder);
    doc.m_useColor = static_cast<std::uint8_t>(m_useColor);
    doc.m_note = m_note;
    doc.m_daysBefore = m_daysBefore;
    doc.m_daysAfter = m_daysAfter;
    doc.m_startMonth = m_startMonth;
    doc.m_startDay = m_startDay;
    doc.m_startYear = m_startYear;
    doc.m_endMonth = m_endMonth;
    doc.m_endDay = m_endDay;
    doc.m_endYear = m_endYear;
    doc.m_natalMonth = m_natalMonth;
    doc.m_natalDay = m_natalDay;
    doc.m_natalYear = m_natalYear;
    for (int i = 0; i < 4; ++i) {
        doc.m_hotSpotDegree[i] = m_hotSpotDegree[i];
        doc.m_hotSpotLabel[i] = m_hotSpotLabel[i];
    }
    doc.m_useDaylightTime = m_useDaylightTime;
    doc.m_overlayEnabled = m_overlayEnabled;
    doc.m_overlayParts = m_overlayParts;
    doc.m_overlayStartDegree = m_overlayStartDegree;
    doc.m_overlayFirstValue = m_overlayFirstValue;
    doc.m_overlayStepSize = m_overlayStepSize;
    doc.m_printToDib = m_printToDib;
}

void CJobDataDlg::DoDataExchange(CDataExchange& dx) {
    using caelvane::DdvMaxChars;
    using caelvane::DdvMinMaxDouble;
    using caelvane::DdvMinMaxInt;
    using caelvane::DdxCheck;
    using caelvane::DdxRadio;
    using caelvane::DdxText;
    using namespace job_limits;
    // The order decides which message a user sees first: keep it (CheckJobFields follows it).
    DdxCheck(dx, Button(1044), m_includeAspects);
    DdxText(dx, Edit(1023), m_endDay);
    DdvMinMaxInt(dx, m_endDay, kDay.low, kDay.high);
    DdxText(dx, Edit(1022), m_endMonth);
    DdvMinMaxInt(dx, m_endMonth, kMonth.low, kMonth.high);
    DdxText(dx, Edit(1024), m_endYear);
    DdvMinMaxInt(dx, m_endYear, kYear.low, kYear.high);

    for (int i = 0; i < 4; ++i) {
        DdxText(dx, Edit(kHotSpotEdits[i]), m_hotSpotDegree[i]);
        DdvMinMaxDouble(dx, m_hotSpotDegree[i], kHotSpotDegree.low, kHotSpotDegree.high);
    }

    DdxText(dx, Edit(1037), m_daysBefore);
    DdxCheck(dx, Button(1021), m_includeNatal);
    DdxText(dx, Edit(1026), m_natalDay);
    DdvMinMaxInt(dx, m_natalDay, kDay.low, kDay.high);
    DdxText(dx, Edit(1025), m_natalMonth);
    DdvMinMaxInt(dx, m_natalMonth, kMonth.low, kMonth.high);
    DdxText(dx, Edit(1027), m_natalYear);
    DdvMinMaxInt(dx, m_natalYear, kYear.low, kYear.high);

    DdxText(dx, Edit(1039), m_daysAfter);
    DdxText(dx, Edit(1016), m_startDay);
    DdvMinMaxInt(dx, m_startDay, kDay.low, kDay.high);
    DdxText(dx, Edit(1015), m_startMonth);
    DdvMinMaxInt(dx, m_startMonth, kMonth.low, kMonth.high);
    DdxText(dx, Edit(1017), m_startYear);

    DdxRadio(dx, {Button(1045), Button(1046), Button(1047), Button(1048)}, m_jobType);
    DdxText(dx, Edit(1049), m_note);
    DdvMaxChars(dx, m_note, kNoteChars);
    DdxCheck(dx, Button(1056), m_reversePrintOrder);
    DdxCheck(dx, Button(1071), m_useColor);
    for (int i = 0; i < 4; ++i) {
        DdxText(dx, Edit(kHotSpotLabelEdits[i]), m_hotSpotLabel[i]);
        DdvMaxChars(dx, m_hotSpotLabel[i], kHotSpotLabelChars);
    }

    DdxCheck(dx, Button(1139), m_useDaylightTime);
    DdxCheck(dx, Button(1140), m_overlayEnabled);
    DdxText(dx, Edit(1145), m_overlayFirstValue);
    DdvMinMaxInt(dx, m_overlayFirstValue, kOverlayValue.low, kOverlayValue.high);
    DdxText(dx, Edit(1141), m_overlayParts);
    DdvMinMaxInt(dx, m_overlayParts, kOverlayParts.low, kOverlayParts.high);
    DdxText(dx, Edit(1147), m_overlayStepSize);
    DdvMinMaxInt(dx, m_overlayStepSize, kOverlayValue.low, kOverlayValue.high);
    DdxText(dx, Edit(1143), m_overlayStartDegree);
    DdvMinMaxDouble(dx, m_overlayStartDegree, kOverlayStartDegree.low, kOverlayStartDegree.high);
    DdxCheck(dx, Button(1157), m_printToDib);
}

void CJobDataDlg::InitDialog() {
    CExchangeDialog::InitDialog();
    for (const auto& range : kSpinRanges) {
        static_cast<caelvane::CSpinButtonCtrl*>(Control(range.id))
            ->SetRange(range.lower, range.upper);
    }
    Control(1157)->hide();
}

void CJobDataDlg::accept() {
    // The job counts as changed from the moment OK is pressed, even if a field then fails.
    if (m_activeDoc != nullptr) m_activeDoc->SetModifiedFlag(true);
    CExchangeDialog::accept();
}

void CJobDataDlg::showEvent(QShowEvent* event) {
    CExchangeDialog::showEvent(event);
    // Before the first paint, so the dialog never shows the template's own set of controls.
    ApplyPaintRules();
}

void CJobDataDlg::paintEvent(QPaintEvent* event) {
    ApplyPaintRules();
    CExchangeDialog::paintEvent(event);
}

void CJobDataDlg::ShowControls(std::initializer_list<int> ids, bool show) {
    for (int id : ids) Control(id)->setVisible(show);
}

void CJobDataDlg::ApplyJobTypeRow(int jobType) {
    const std::optional<JobType> type = JobTypeOf(jobType);
    const bool start = type && UsesStartDate(*type);
    const bool end = type && UsesEndDate(*type);
    const bool relative = type == JobType::TodayRange;
    const bool hint = type == JobType::Today;
    ShowControls({1015, 1016, 1017, 1061, 1062, 1063, 1050}, start);
    ShowControls({1022, 1023, 1024, 1064, 1065, 1066, 1051}, end);
    ShowControls({1053, 1070, 1037, 1039, 1008, 1058}, relative);
    ShowControls({1055}, hint);
}

void CJobDataDlg::ApplyNatalRule() {
    ShowControls({1025, 1026, 1027, 1067, 1068, 1069, 1052}, Button(1021)->isChecked());
}

void CJobDataDlg::ApplyOverlayRule() {
    ShowControls({1141, 1143, 1145, 1147, 1142, 1144, 1146, 1148, 1149, 1150, 1151, 1152},
                 Button(1140)->isChecked());
}

void CJobDataDlg::ApplyPaintRules() {
    const int checked = m_jobTypeGroup->checkedId();
    if (checked >= 0) ApplyJobTypeRow(checked);
    if (Button(1021)->isChecked()) ApplyNatalRule();
    ApplyOverlayRule();
}

void CJobDataDlg::OnJobTypeClicked(int jobType) {
    ApplyJobTypeRow(jobType);
    // The natal rule reads the fields back here as it does for its own box.
    OnIncludeNatalClicked();
}

void CJobDataDlg::OnIncludeNatalClicked() {
    UpdateData(true);
    ApplyNatalRule();
}

void CJobDataDlg::OnEnableOverlayClicked() {
    UpdateData(true);
    ApplyOverlayRule();
}
