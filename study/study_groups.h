#pragma once
// The groups of an event study: events of one kind, bodies, angle and detail (and, when asked,
// sign) studied together, and the names every table and file shows for them.
#include <string>
#include <vector>

#include "ephemeris/position_source.h"
#include "events/sky_event.h"

namespace study {

struct GroupKey {
    events::EventKind kind = events::EventKind::Aspect;
    Frame frame = Frame::Geocentric;
    int body1 = 0;  // body codes as the finder gives them (sky_event.h); 0: none
    int body2 = 0;
    double angle = -1;  // < 0: none
    int sign = -1;      // 0 Aries .. 11 Pisces; < 0: not grouped by sign
    events::EventDetail detail = events::EventDetail::None;
    std::string natal;  // a transit's natal point ("Sun", "Asc"); empty otherwise
};

// Kind, frame, bodies (in the body table's order), angle, sign, detail.
bool GroupBefore(const GroupKey& a, const GroupKey& b);
bool SameGroup(const GroupKey& a, const GroupKey& b);

struct EventGroup {
    GroupKey key;
    std::vector<double> jeds;  // the events' times, universal time, ascending
};

// The sign an event is grouped under with grouping by sign: the sign entered for an ingress,
// the station's body's sign for a station, the Moon's sign for a lunation or an eclipse; an
// aspect is not split by sign (-1).
int GroupingSign(const events::SkyEvent& event, PositionSource source);

// The events in groups, in group order. With `bySign`, each group is split by GroupingSign.
std::vector<EventGroup> GroupEvents(const std::vector<events::SkyEvent>& events, bool bySign,
                                    PositionSource source);

// The CSV's columns for a group, named as the events export names them: kind, body1, body2,
// angle, sign, detail (empty where a column does not apply).
struct GroupColumns {
    std::string kind, body1, body2, angle, sign, detail;
};
GroupColumns GroupFields(const GroupKey& key);

// "station Mercury retrograde", "aspect Jupiter Saturn 90", "lunation full",
// "ingress Mars forward Aries"; helio groups end in "(helio)".
std::string GroupLabel(const GroupKey& key);

// A stable number for the key, the same on every machine and run (for seeding its draws).
std::uint64_t GroupHash(const GroupKey& key);

}  // namespace study
