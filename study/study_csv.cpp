#include "study/study_csv.h"

#include <cmath>
#include <cstdio>

namespace study {

std::string FormatStat(double value) {
    if (std::isnan(value)) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value == 0 ? 0.0 : value);  // no "-0"
    return text;
}

std::string StudyCsvHeader(const StudyResult& study, const CsvLayout& layout) {
    std::string header = "kind,";
    if (layout.frameColumn) header += "frame,";
    header += "body1,body2,angle,sign,detail,horizon,";
    if (study.options.split) header += "period,";
    header += "n,mean,median,sd,hit_rate,baseline_mean,baseline_hit_rate,excess,t,p,q";
    return header;
}

std::string StudyCsv(const StudyResult& study, const CsvLayout& layout) {
    std::string out = StudyCsvHeader(study, layout) + "\n";
    const bool split = study.options.split.has_value();
    for (const GroupResult& group : study.groups) {
        const GroupColumns columns = GroupFields(group.key);
        std::string lead = columns.kind + ",";
        if (layout.frameColumn) lead += std::string(FrameName(group.key.frame)) + ",";
        lead += columns.body1 + "," + columns.body2 + "," + columns.angle + "," + columns.sign +
                "," + columns.detail + ",";
        for (std::size_t k = 0; k < study.options.horizons.size(); ++k) {
            for (const PeriodStats& period : group.periods) {
                if (k >= period.horizons.size()) continue;
                const HorizonStats& s = period.horizons[k];
                out += lead;
                out += std::to_string(s.horizon) + ",";
                if (split) out += std::string(PeriodName(period.period)) + ",";
                out += std::to_string(s.n);
                for (double value : {s.mean, s.median, s.sd, s.hitRate, s.baselineMean,
                                     s.baselineHitRate, s.excess, s.t, s.p, s.q}) {
                    out += ',';
                    out += FormatStat(value);
                }
                out += '\n';
            }
        }
    }
    return out;
}

}  // namespace study
