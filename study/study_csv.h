#pragma once
// The table of an event study as CSV: one row per group and horizon (and period, with a split),
// for the command line and the desktop program's export alike.
#include <string>

#include "study/event_study.h"

namespace study {

struct CsvLayout {
    // A `frame` column after `kind`, for studies of both frames (where a geocentric and a
    // heliocentric group would otherwise read alike).
    bool frameColumn = false;
};

// The header line, without its line end.
std::string StudyCsvHeader(const StudyResult& study, const CsvLayout& layout = {});
// The header and every row, each line ending in LF. Numbers are printed with 6 significant
// digits; a value that does not apply (a p for too few events, an sd of one event) is empty.
std::string StudyCsv(const StudyResult& study, const CsvLayout& layout = {});

// A number as the table prints it: "%.6g", empty for NaN.
std::string FormatStat(double value);

}  // namespace study
