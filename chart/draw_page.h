#pragma once
#include "platform/drawing_device.h"
#include "platform/host_services.h"

class CCaelvaneDoc;

// Draws page m_currentPage of the job on `device`: the whole chart page, exactly as the view
// shows it and the printer prints it. Writes the chart state and doc.m_pageCount. A reversed
// date range shows its message through host.MessageBox and ends the page early.
void DrawChartPage(CCaelvaneDoc& doc, CDrawingDevice& device, caelvane::CHostServices& host);

// The copies every drawing makes from the job into the chart state before it draws (the page
// time back to 17:00 UT, g_currentPage from m_currentPage).
void CopyChartState(const CCaelvaneDoc& doc);
