#pragma once
#include <string>

#include "platform/colorref.h"

// The chart state: one set for the whole program, refilled from the job at the start of every
// drawing and left as the last drawing made it (the page keys, AdvancePage and printing read
// g_jobType, g_pageCount, g_currentPage and g_reversePrintOrder from it).
extern int g_jobType;
extern unsigned char g_includeAspects;
extern unsigned char g_includeNatal;
extern unsigned char g_reversePrintOrder;
extern unsigned char g_useColor;
extern unsigned char g_useDaylightTime;
extern std::string g_note;
extern int g_daysBefore, g_daysAfter;
extern int g_startMonth, g_startDay, g_startYear;
extern int g_endMonth, g_endDay, g_endYear;
extern int g_natalMonth, g_natalDay, g_natalYear;
extern double g_hotSpotDegree[4];
extern double g_hotSpotDegree2[4];
extern std::string g_hotSpotLabel[4];
extern int g_overlayEnabled;
extern int g_overlayParts;
extern double g_overlayStartDegree;
extern int g_overlayFirstValue;
extern int g_overlayStepSize;
extern int g_currentPage;
extern int g_pageCount;
extern int g_defaultHour, g_defaultMinute;  // 17 and 0: every chart date is at 17:00 UT
extern int g_pageMonth, g_pageDay, g_pageYear, g_pageHour, g_pageMinute;
extern double g_pageJed;
extern double g_startJed, g_endJed;
extern double g_natalJed;
extern int g_weekday;  // 0 = Sunday
extern int g_localMonth, g_localDay, g_localYear;  // the host's local date, read for TODAY jobs
extern double g_daylightStartJed, g_daylightEndJed;
extern char g_textBuffer[100];

// Per-drawing arrays shared by the page elements, indexed by body code 1..12; entries 13..15
// are the three extra entries of the aspect tables. Index 0 is unused.
extern double helioLongitude[16];
extern double geoLongitude[16];
extern double natalHelioLongitude[16];
extern double natalGeoLongitude[16];
// -15 when the page is in daylight time (and the job asks for it), else 0; set by the hour
// dial and used by the price marks.
extern double daylightOffset;
// The price display's two angles in degrees, set by the price marks while the display is on
// and read later in the same drawing by the aspect tables (entries 13 and 14).
extern double priceAngle;
extern double timeAngle;

// The element colour rule: the document colour when "Use Color" is on, black otherwise.
inline COLORREF ElementColor(COLORREF documentColor) { return g_useColor == 1 ? documentColor : 0; }
