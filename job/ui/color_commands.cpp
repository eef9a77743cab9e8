#include "job/ui/color_commands.h"

#include <QColor>
#include <QColorDialog>
#include <utility>

#include "job/caelvane_doc.h"

namespace {

std::optional<COLORREF> PlatformColorChooser(QWidget* parent, COLORREF initial) {
    const QColor chosen = QColorDialog::getColor(
        QColor(GetRValue(initial), GetGValue(initial), GetBValue(initial)), parent);
    if (!chosen.isValid()) return std::nullopt;
    return RGB(chosen.red(), chosen.green(), chosen.blue());
}

struct ColorCommand {
    int id;
    COLORREF CCaelvaneDoc::*field;
};

// m_colorSpare has no item.
const ColorCommand kColorCommands[] = {
    {32773, &CCaelvaneDoc::m_colorTitleText},     {32774, &CCaelvaneDoc::m_colorHeaderText},
    {32775, &CCaelvaneDoc::m_colorBorder},        {32776, &CCaelvaneDoc::m_colorWheelLines},
    {32777, &CCaelvaneDoc::m_colorWheelText},     {32778, &CCaelvaneDoc::m_colorCurrentLines},
    {32779, &CCaelvaneDoc::m_colorCurrentText},   {32781, &CCaelvaneDoc::m_colorNatalDots},
    {32782, &CCaelvaneDoc::m_colorNatalText},     {32783, &CCaelvaneDoc::m_colorJobData},
    {32784, &CCaelvaneDoc::m_colorNoteText},      {32785, &CCaelvaneDoc::m_colorAspectLines},
    {32786, &CCaelvaneDoc::m_colorAspectText},    {32787, &CCaelvaneDoc::m_colorAspectHighlights},
    {32788, &CCaelvaneDoc::m_colorNotice},        {32789, &CCaelvaneDoc::m_colorMoonBall},
    {32796, &CCaelvaneDoc::m_colorOverlayCircle},
};

}  // namespace

COLORREF CCaelvaneDoc::*ColorFieldOfCommand(int commandId) {
    for (const ColorCommand& command : kColorCommands) {
        if (command.id == commandId) return command.field;
    }
    return nullptr;
}

void RunColorCommand(QWidget* parent, CCaelvaneDoc& doc, COLORREF CCaelvaneDoc::*field,
                     const ColorChooser& chooser) {
    constexpr COLORREF kInitial = RGB(0, 0, 0);
    const std::optional<COLORREF> chosen =
        chooser ? chooser(parent, kInitial) : PlatformColorChooser(parent, kInitial);
    if (chosen) doc.*field = *chosen;
    doc.SetModifiedFlag(true);
    doc.UpdateAllViews(nullptr, 0);
}
