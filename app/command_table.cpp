#include "app/command_table.h"

#include <algorithm>

#include "app/command_ids.h"

namespace {

// In menu order of the job window's menu bar; commands without a menu item at the end.
constexpr CommandSpec kCommands[] = {
    {cmd::kFileNew, "&New\tCtrl+N", "Create a new document\nNew", {"Ctrl+N"}},
    {cmd::kFileOpen, "&Open...\tCtrl+O", "Open an existing document\nOpen", {"Ctrl+O"}},
    {cmd::kFileOpenPrices,
     "Open Pr&ices...",
     "Open a file of price bars (CSV) as a chart with planetary lines\nOpen Prices",
     {}},
    {cmd::kFileNewSkyChart,
     "New S&ky Chart...",
     "The bodies' longitudes over any range of dates, folded on a dial\nNew Sky Chart",
     {}},
    {cmd::kFileNewHoroscope,
     "Ne&w Horoscope...",
     "Enter a birth (or a first trade) and see its natal wheel\nNew Horoscope",
     {}},
    {cmd::kFileOpenHoroscopes,
     "Open &Horoscopes...",
     "Open a file of natal charts with their wheels and transits\nOpen Horoscopes",
     {}},
    {cmd::kFileClose, "&Close", "Close the active document\nClose", {}},
    {cmd::kFileSave, "&Save\tCtrl+S", "Save the active document\nSave", {"Ctrl+S"}},
    {cmd::kFileSaveAs, "Save &As...", "Save the active document with a new name\nSave As", {}},
    {cmd::kFileExportPage,
     "&Export Page...",
     "Write the page on show to a PDF, PNG or SVG file\nExport Page",
     {}},
    {cmd::kFileExportAll,
     "Export A&ll Pages...",
     "Write every page to one PDF file or to numbered PNG or SVG files\nExport All Pages",
     {}},
    {cmd::kFilePrint, "&Print...\tCtrl+P", "Print the active document\nPrint", {"Ctrl+P"}},
    {cmd::kFilePrintPreview, "Print Pre&view", "Display full pages\nPrint Preview", {}},
    {cmd::kFilePrintSetup,
     "P&rint Setup...",
     "Change the printer and printing options\nPrint Setup",
     {}},
    {cmd::kFileMruFile1 + 0, nullptr, "Open this document", {}},
    {cmd::kFileMruFile1 + 1, nullptr, "Open this document", {}},
    {cmd::kFileMruFile1 + 2, nullptr, "Open this document", {}},
    {cmd::kFileMruFile1 + 3, nullptr, "Open this document", {}},
    {cmd::kAppExit, "E&xit", "Quit the application; prompts to save documents\nExit", {"Ctrl+Q"}},

    {cmd::kEditCut,
     "Cu&t\tCtrl+X",
     "Cut the selection and put it on the Clipboard\nCut",
     {"Ctrl+X", "Shift+Del"}},
    {cmd::kEditCopy,
     "&Copy\tCtrl+C",
     "Copy the selection and put it on the Clipboard\nCopy",
     {"Ctrl+C", "Ctrl+Ins"}},
    {cmd::kEditPaste,
     "&Paste\tCtrl+V",
     "Insert Clipboard contents\nPaste",
     {"Ctrl+V", "Shift+Ins"}},

    {cmd::kJobDescription, "&Job Description", "Set data options for the current job", {}},
    {cmd::kColorTitleText, "&TitleText", "Set Color of Title Text", {}},
    {cmd::kColorHeaderText, "&Header Text", "Set Color of Header Text", {}},
    {cmd::kColorBorder, "&Border", "Set Color of Borders", {}},
    {cmd::kColorWheelLines, "&Wheel Lines", "Set Color of Wheel Lines", {}},
    {cmd::kColorWheelText, "Wh&eel Text", "Set Color of Wheel Text", {}},
    {cmd::kColorCurrentLines, "&Current Lines", "Set Color of Current Lines in Wheels", {}},
    {cmd::kColorCurrentText, "C&urrent Text", "Set Colors of Current Text in Wheels", {}},
    {cmd::kColorNatalDots, "&Natal Dots", nullptr, {}},
    {cmd::kColorNatalText, "N&atal Text", "Set Color of Natal Text in Wheels", {}},
    {cmd::kColorJobData, "&Job Data", "Set Color of Job Data", {}},
    {cmd::kColorNoteText, "N&ote Text", "Sets Color of Note Text", {}},
    {cmd::kColorAspectLines, "A&spect Lines", "Set Color of Lines in Aspect Table", {}},
    {cmd::kColorAspectText, "As&pect Text", "Set Color of Text in Aspect Tables", {}},
    {cmd::kColorAspectHighlights,
     "Aspect H&ighlights",
     "Set Color of Highlighted Aspects in Aspect Tables",
     {}},
    {cmd::kColorNotice, "Cop&yright Notice", "Set Color of Copyright Notice Text", {}},
    {cmd::kColorMoonBall, "Moon Ball", "Set Color of Moon Ball on Inclination Scale", {}},
    {cmd::kColorOverlayCircle, "O&verlay Circle", nullptr, {}},
    {cmd::kColorAllToBlack, "A&ll to Black", "Reset All Colors to Black", {}},
    {cmd::kColorStandardDefault, "S&tandard Default", "Sets All Colors to Default Standard", {}},
    {cmd::kSignificantAspects,
     "&Significant Aspects",
     "Set the Significant Aspects for the Aspect Tables",
     {}},
    {cmd::kSkyEvents,
     "Sky &Events",
     "Find the aspects, ingresses, stations, lunations and eclipses of the job's dates\nSky Events",
     {}},
    {cmd::kSkyChart,
     "Sky C&hart",
     "The bodies' longitudes over the job's dates, folded on a dial, with its hot spots\nSky "
     "Chart",
     {}},
    {cmd::kEventStudy,
     "Event S&tudy...",
     "What a price series did after each kind of sky event, against chance\nEvent Study",
     {}},

    {cmd::kViewToolbar, "&Toolbar", "Show or hide the toolbar\nToggle ToolBar", {}},
    {cmd::kViewStatusBar, "&Status Bar", "Show or hide the status bar\nToggle StatusBar", {}},
    {cmd::kViewZoomIn, "Zoom &In\tCtrl++", "Show the page larger\nZoom In", {"Ctrl++", "Ctrl+="}},
    {cmd::kViewZoomOut, "Zoom &Out\tCtrl+-", "Show the page smaller\nZoom Out", {"Ctrl+-"}},
    {cmd::kViewActualSize,
     "&Actual Size\tCtrl+0",
     "Show the page at the screen's resolution\nActual Size",
     {"Ctrl+0"}},
    {cmd::kViewFitPage, "Fit &Page", "Show the whole page in the window\nFit Page", {}},
    {cmd::kViewFitWidth, "Fit &Width", "Fill the width of the window with the page\nFit Width", {}},
    {cmd::kPagePrevious, "Pre&vious Page", "Show the page of the day before\nPrevious Page", {}},
    {cmd::kPageNext, "&Next Page", "Show the page of the day after\nNext Page", {}},
    {cmd::kGoToDate,
     "&Go to Date...\tCtrl+G",
     "Show the page of a chosen day\nGo to Date",
     {"Ctrl+G"}},

    {cmd::kWindowNew, "&New Window", "Open another window for the active document\nNew Window", {}},
    {cmd::kWindowCascade, "&Cascade", "Arrange windows so they overlap\nCascade Windows", {}},
    {cmd::kWindowTile, "&Tile", "Arrange windows as non-overlapping tiles\nTile Windows", {}},
    {cmd::kWindowArrange,
     "&Arrange Icons",
     "Arrange icons at the bottom of the window\nArrange Icons",
     {}},

    {cmd::kAutoRun, "&AutoRun", "Run Through Dates Automatically", {}},

    {cmd::kAppAbout,
     "&About Caelvane...",
     "Display program information, version number and copyright\nAbout",
     {}},
    {cmd::kOnLineHelp, "On &Line Help\tF1", "On Line Tutorial for Using Caelvane", {}},
    {cmd::kPriceMonitor, " ", " ", {}},

    {cmd::kFilePrintDirect, nullptr, nullptr, {}},
    {cmd::kWindowClose, nullptr, "Close the active window\nClose Window", {"Ctrl+W", "Ctrl+F4"}},
    {cmd::kHelpContents, nullptr, "Open the help at its contents\nHelp", {"F1"}},
    {cmd::kEditUndo, nullptr, "Undo the last action\nUndo", {"Ctrl+Z", "Alt+Backspace"}},
    {cmd::kNextPane, nullptr, nullptr, {"F6"}},
    {cmd::kPrevPane, nullptr, nullptr, {"Shift+F6"}},
};

}  // namespace

std::span<const CommandSpec> CommandTable() {
    return kCommands;
}

const CommandSpec* FindCommand(int id) {
    const auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                                 [id](const CommandSpec& entry) { return entry.id == id; });
    return it == std::end(kCommands) ? nullptr : &*it;
}

CommandRoute RouteOf(int id) {
    switch (id) {
        case cmd::kFileNew:
        case cmd::kFileOpen:
        case cmd::kFileOpenPrices:
        case cmd::kFileNewSkyChart:
        case cmd::kFileNewHoroscope:
        case cmd::kFileOpenHoroscopes:
        case cmd::kFilePrintSetup:
        case cmd::kAppAbout:
        case cmd::kAppExit:
        case cmd::kHelpContents:
        case cmd::kEventStudy:
            return CommandRoute::App;
        case cmd::kFilePrint:
        case cmd::kFilePrintDirect:
        case cmd::kFilePrintPreview:
        case cmd::kFileExportPage:
        case cmd::kFileExportAll:
        case cmd::kEditCopy:
        case cmd::kViewZoomIn:
        case cmd::kViewZoomOut:
        case cmd::kViewActualSize:
        case cmd::kViewFitPage:
        case cmd::kViewFitWidth:
        case cmd::kGoToDate:
        case cmd::kPagePrevious:
        case cmd::kPageNext:
            return CommandRoute::View;
        case cmd::kViewToolbar:
        case cmd::kViewStatusBar:
        case cmd::kWindowNew:
        case cmd::kWindowCascade:
        case cmd::kWindowTile:
        case cmd::kWindowArrange:
        case cmd::kWindowClose:
            return CommandRoute::Frame;
        case cmd::kEditUndo:
        case cmd::kEditCut:
        case cmd::kEditPaste:
        case cmd::kNextPane:
        case cmd::kPrevPane:
            return CommandRoute::Nobody;
        default:
            break;
    }
    if (id >= cmd::kFileMruFile1 && id < cmd::kFileMruFile1 + cmd::kRecentFileCount) {
        return CommandRoute::App;
    }
    return CommandRoute::Document;
}

QString PromptStatusText(const CommandSpec& entry) {
    if (entry.prompt == nullptr) return {};
    const QString prompt = QString::fromLatin1(entry.prompt);
    return prompt.section(QLatin1Char('\n'), 0, 0);
}

QString PromptToolTip(const CommandSpec& entry) {
    if (entry.prompt == nullptr) return {};
    const QString prompt = QString::fromLatin1(entry.prompt);
    const qsizetype newline = prompt.indexOf(QLatin1Char('\n'));
    return newline < 0 ? QString() : prompt.mid(newline + 1);
}
