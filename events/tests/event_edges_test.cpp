// Edges of the finder and the writers where a slip gives a plausible but wrong answer: the sign
// a backward ingress enters, custom aspects given below 0, the angle 0 in the CSV.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ephemeris/calendar.h"
#include "events/event_finder.h"
#include "events/event_writers.h"
#include "events/job_aspects.h"
#include "job/caelvane_doc.h"

namespace {

using namespace events;

constexpr int kSagittarius = 8;
constexpr int kCapricorn = 9;

double Jed(int year, int month, int day) {
    return caelvane::CivilJed({year, month, day});
}

// Mercury turned retrograde in Capricorn on 2023-12-13 and went back into Sagittarius about
// 2023-12-23; it entered Capricorn on 2023-12-01 going forward.
TEST(EventEdges, ABackwardIngressEntersTheSignBelowTheBoundary) {
    for (const PositionSource source : {PositionSource::Series, PositionSource::Precise}) {
        if (source == PositionSource::Precise && !PrecisePositionsAvailable()) continue;
        SCOPED_TRACE(PositionSourceName(source));
        FinderOptions options;
        options.startJed = Jed(2023, 11, 25);
        options.endJed = Jed(2024, 1, 10);
        options.kinds = KindBit(EventKind::Ingress);
        options.geocentric = true;
        options.heliocentric = false;
        options.bodies = {-1};  // Mercury, geocentric
        options.source = source;
        const std::vector<SkyEvent> found = FindEvents(options).events;
        ASSERT_EQ(found.size(), 2u);
        EXPECT_EQ(found[0].detail, EventDetail::Forward);
        EXPECT_EQ(found[0].sign, kCapricorn);
        EXPECT_EQ(found[1].detail, EventDetail::Backward);
        EXPECT_EQ(found[1].sign, kSagittarius);
        EXPECT_GT(found[1].jed, Jed(2023, 12, 21));
        EXPECT_LT(found[1].jed, Jed(2023, 12, 25));
    }
}

TEST(EventEdges, CustomAspectsFoldIntoTheCircle) {
    struct Case {
        double custom;
        double angle;
    };
    const Case cases[] = {{-90, 270}, {-360, 0}, {-0.5, 359.5}, {720, 0}, {405, 45}};
    for (const Case& c : cases) {
        CCaelvaneDoc doc;
        for (int i = 0; i < 20; ++i) doc.m_aspectSelected[i] = 0;
        for (int i = 0; i < 4; ++i) doc.m_customAspectEnabled[i] = 0;
        doc.m_customAspect[1] = c.custom;
        doc.m_customAspectEnabled[1] = 1;
        const std::vector<double> angles = SignificantAngles(doc);
        EXPECT_EQ(angles, std::vector<double>{c.angle}) << c.custom;
        // The finder takes what the job gives it.
        FinderOptions options;
        options.startJed = Jed(2024, 1, 1);
        options.endJed = Jed(2024, 2, 1);
        options.kinds = KindBit(EventKind::Aspect);
        options.angles = angles;
        EXPECT_NO_THROW(FindEvents(options)) << c.custom;
    }
}

TEST(EventEdges, TheCsvWritesAnAngleOfZeroAndLeavesNoneEmpty) {
    struct Case {
        EventKind kind;
        double angle;
        EventDetail detail;
        const char* field;
    };
    const Case cases[] = {
        {EventKind::Aspect, 0, EventDetail::None, "0"},
        {EventKind::Lunation, 0, EventDetail::NewMoon, "0"},
        {EventKind::Lunation, 180, EventDetail::FullMoon, "180"},
        {EventKind::Station, -1, EventDetail::None, ""},
    };
    for (const Case& c : cases) {
        SkyEvent event;
        event.jed = Jed(2024, 1, 11);
        event.kind = c.kind;
        event.body1 = -3;
        event.body2 = -10;
        event.angle = c.angle;
        event.detail = c.detail;
        std::vector<std::string> fields;
        std::string line = EventCsvLine(event);
        for (std::size_t start = 0;;) {
            const std::size_t comma = line.find(',', start);
            fields.push_back(line.substr(start, comma - start));
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        ASSERT_GE(fields.size(), 6u) << line;
        EXPECT_EQ(fields[5], c.field) << line;  // time_utc,kind,frame,body1,body2,angle
    }
}

}  // namespace
