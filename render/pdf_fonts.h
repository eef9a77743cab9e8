#pragma once
// What the PDF writer draws text with in this program: the page fonts found on the system
// (page_fonts.h) and the metrics that layouts measure texts with.
#include "platform/text_metrics.h"
#include "render/page_fonts.h"

// The metrics of the fonts as the PDF device draws them (the painter's, to the unit): the
// modern page is laid out as on screen; nullptr (callers estimate) without a QGuiApplication
// (EnsureGuiApplication).
const CTextMetrics* PdfTextMetrics();
