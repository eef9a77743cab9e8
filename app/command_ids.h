#pragma once
// Command numbers of the menus, the toolbar and the accelerators. The framework's commands keep
// their usual numbers (57607 print, 57608 print without dialog, 57609 preview); the job's own
// commands start at 32771.
namespace cmd {

// Application (CCaelvaneApp)
inline constexpr int kFileNew = 57600;
inline constexpr int kFileOpen = 57601;
inline constexpr int kFilePrintSetup = 57606;
inline constexpr int kFileMruFile1 = 57616;  // ... kFileMruFile1 + 3
inline constexpr int kRecentFileCount = 4;
inline constexpr int kAppAbout = 57664;
inline constexpr int kAppExit = 57665;

// Document (the active CCaelvaneDoc)
inline constexpr int kFileClose = 57602;
inline constexpr int kFileSave = 57603;
inline constexpr int kFileSaveAs = 57604;
inline constexpr int kJobDescription = 32771;
inline constexpr int kColorTitleText = 32773;
inline constexpr int kColorHeaderText = 32774;
inline constexpr int kColorBorder = 32775;
inline constexpr int kColorWheelLines = 32776;
inline constexpr int kColorWheelText = 32777;
inline constexpr int kColorCurrentLines = 32778;
inline constexpr int kColorCurrentText = 32779;
inline constexpr int kColorNatalDots = 32781;
inline constexpr int kColorNatalText = 32782;
inline constexpr int kColorJobData = 32783;
inline constexpr int kColorNoteText = 32784;
inline constexpr int kColorAspectLines = 32785;
inline constexpr int kColorAspectText = 32786;
inline constexpr int kColorAspectHighlights = 32787;
inline constexpr int kColorNotice = 32788;
inline constexpr int kColorMoonBall = 32789;
inline constexpr int kColorAllToBlack = 32790;
inline constexpr int kColorStandardDefault = 32791;
inline constexpr int kSignificantAspects = 32793;
inline constexpr int kAutoRun = 32794;
inline constexpr int kOnLineHelp = 32795;
inline constexpr int kColorOverlayCircle = 32796;
inline constexpr int kPriceMonitor = 32798;
inline constexpr int kSkyEvents = 32805;

// Conveniences of the desktop program (the active CCaelvaneView, the application for help)
inline constexpr int kFileExportPage = 32820;
inline constexpr int kFileExportAll = 32821;
inline constexpr int kViewZoomIn = 32822;
inline constexpr int kViewZoomOut = 32823;
inline constexpr int kViewActualSize = 32824;
inline constexpr int kViewFitPage = 32825;
inline constexpr int kViewFitWidth = 32826;
inline constexpr int kGoToDate = 32827;
inline constexpr int kPagePrevious = 32828;
inline constexpr int kPageNext = 32829;
inline constexpr int kWindowClose = 32830;
inline constexpr int kHelpContents = 32831;
inline constexpr int kFileOpenPrices = 32832;
inline constexpr int kEventStudy = 32833;
inline constexpr int kFileNewSkyChart = 32834;
inline constexpr int kSkyChart = 32835;
// Horoscopes (builds with the natal charts).
inline constexpr int kFileNewHoroscope = 32860;
inline constexpr int kFileOpenHoroscopes = 32861;

// View (the active CCaelvaneView)
inline constexpr int kFilePrint = 57607;
inline constexpr int kFilePrintDirect = 57608;
inline constexpr int kFilePrintPreview = 57609;

// Main frame
inline constexpr int kWindowNew = 57648;
inline constexpr int kWindowArrange = 57649;
inline constexpr int kWindowCascade = 57650;
inline constexpr int kWindowTile = 57651;
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;

// Copy puts the active view's page on the clipboard.
inline constexpr int kEditCopy = 57634;

// No handler anywhere: always disabled, their keys do nothing.
inline constexpr int kEditCut = 57635;
inline constexpr int kEditPaste = 57637;
inline constexpr int kEditUndo = 57643;
inline constexpr int kNextPane = 57680;
inline constexpr int kPrevPane = 57681;

}  // namespace cmd
