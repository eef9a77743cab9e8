#include "chart/chart_state.h"

int g_jobType = 0;
unsigned char g_includeAspects = 0;
unsigned char g_includeNatal = 0;
unsigned char g_reversePrintOrder = 0;
unsigned char g_useColor = 1;
unsigned char g_useDaylightTime = 0;
std::string g_note;
int g_daysBefore = 0, g_daysAfter = 0;
int g_startMonth = 1, g_startDay = 1, g_startYear = 2000;
int g_endMonth = 1, g_endDay = 1, g_endYear = 2000;
int g_natalMonth = 1, g_natalDay = 1, g_natalYear = 2000;
double g_hotSpotDegree[4] = {};
double g_hotSpotDegree2[4] = {};
std::string g_hotSpotLabel[4];
int g_overlayEnabled = 0;
int g_overlayParts = 0;
double g_overlayStartDegree = 0.0;
int g_overlayFirstValue = 0;
int g_overlayStepSize = 0;
int g_currentPage = 1;
int g_pageCount = 1;
int g_defaultHour = 17, g_defaultMinute = 0;
int g_pageMonth = 1, g_pageDay = 1, g_pageYear = 2000, g_pageHour = 17, g_pageMinute = 0;
double g_pageJed = 0.0;
double g_startJed = 0.0, g_endJed = 0.0;
double g_natalJed = 0.0;
int g_weekday = 0;
int g_localMonth = 1, g_localDay = 1, g_localYear = 2000;
double g_daylightStartJed = 0.0, g_daylightEndJed = 0.0;
char g_textBuffer[100] = {};

double helioLongitude[16] = {};
double geoLongitude[16] = {};
double natalHelioLongitude[16] = {};
double natalGeoLongitude[16] = {};
double daylightOffset = 0.0;
