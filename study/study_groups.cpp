#include "study/study_groups.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <tuple>

#include "ephemeris/bodies.h"

namespace study {

using events::EventDetail;
using events::EventKind;
using events::SkyEvent;

namespace {

// A body's place in the body table (Sun, Moon, Mercury, ...); none sorts first.
int BodyOrder(int code) {
    if (code == 0) return -1;
    const int index = BodyIndex(code);
    return index < 0 ? 1000 + code : index;
}

auto SortTuple(const GroupKey& key) {
    return std::make_tuple(key.kind, key.frame, BodyOrder(key.body1), BodyOrder(key.body2),
                           std::cref(key.natal), key.angle, key.sign, key.detail);
}

int SignOfLongitude(double longitude) {
    if (!std::isfinite(longitude)) return -1;
    double wrapped = std::fmod(longitude, 360.0);
    if (wrapped < 0) wrapped += 360.0;
    return std::min(11, static_cast<int>(wrapped / 30.0));
}

}  // namespace

bool GroupBefore(const GroupKey& a, const GroupKey& b) {
    return SortTuple(a) < SortTuple(b);
}

bool SameGroup(const GroupKey& a, const GroupKey& b) {
    return !GroupBefore(a, b) && !GroupBefore(b, a);
}

int GroupingSign(const SkyEvent& event, PositionSource source) {
    switch (event.kind) {
        case EventKind::Ingress:
            return event.sign;
        case EventKind::Station:
            return SignOfLongitude(BodyLongitude(event.jed, event.body1, source));
        case EventKind::Lunation:
        case EventKind::Eclipse:
            return SignOfLongitude(BodyLongitude(event.jed, -10, source));
        case EventKind::Aspect:
        case EventKind::Transit:
            break;
    }
    return -1;
}

std::vector<EventGroup> GroupEvents(const std::vector<SkyEvent>& events, bool bySign,
                                    PositionSource source) {
    std::vector<EventGroup> groups;
    std::map<std::tuple<int, int, int, int, int, double, int, std::string>, std::size_t> index;
    for (const SkyEvent& event : events) {
        GroupKey key;
        key.kind = event.kind;
        key.frame = event.frame;
        key.body1 = event.body1;
        key.body2 = event.body2;
        key.angle = event.angle;
        key.detail = event.detail;
        key.natal = event.natal;
        key.sign = bySign ? GroupingSign(event, source) : -1;
        const auto id = std::make_tuple(static_cast<int>(key.kind), static_cast<int>(key.frame),
                                        key.body1, key.body2, key.sign, key.angle,
                                        static_cast<int>(key.detail), key.natal);
        auto [it, inserted] = index.try_emplace(id, groups.size());
        if (inserted) groups.push_back(EventGroup{key, {}});
        groups[it->second].jeds.push_back(event.jed);
    }
    for (EventGroup& group : groups) std::sort(group.jeds.begin(), group.jeds.end());
    std::sort(groups.begin(), groups.end(),
              [](const EventGroup& a, const EventGroup& b) { return GroupBefore(a.key, b.key); });
    return groups;
}

GroupColumns GroupFields(const GroupKey& key) {
    GroupColumns columns;
    columns.kind = events::KindName(key.kind);
    columns.body1 = events::BodyName(key.body1);
    columns.body2 = key.kind == EventKind::Transit ? "natal " + key.natal
                                                   : std::string(events::BodyName(key.body2));
    if (key.angle >= 0) columns.angle = events::FormatAngle(key.angle);
    if (key.sign >= 0 && key.sign < 12) columns.sign = events::SignName(key.sign);
    columns.detail = events::DetailName(key.detail);
    return columns;
}

std::string GroupLabel(const GroupKey& key) {
    const GroupColumns columns = GroupFields(key);
    std::string label = columns.kind;
    const auto add = [&label](const std::string& part) {
        if (part.empty()) return;
        label += ' ';
        label += part;
    };
    // A lunation or an eclipse is always the Sun and the Moon; its detail says which.
    if (key.kind != EventKind::Lunation && key.kind != EventKind::Eclipse) {
        add(columns.body1);
        add(columns.body2);
        add(columns.angle);
    }
    add(columns.detail);
    add(columns.sign);
    if (key.frame == Frame::Heliocentric) add("(helio)");
    return label;
}

std::uint64_t GroupHash(const GroupKey& key) {
    // FNV-1a over the key's fields, with the angle as a whole number of micro-degrees so that
    // its bytes do not depend on the floating-point layout.
    std::uint64_t hash = 1469598103934665603ull;
    const auto mix = [&hash](std::int64_t value) {
        for (int i = 0; i < 8; ++i) {
            hash ^= static_cast<std::uint64_t>(value >> (8 * i)) & 0xFFu;
            hash *= 1099511628211ull;
        }
    };
    mix(static_cast<int>(key.kind));
    mix(static_cast<int>(key.frame));
    mix(key.body1);
    mix(key.body2);
    mix(static_cast<std::int64_t>(std::llround(key.angle * 1e6)));
    mix(key.sign);
    mix(static_cast<int>(key.detail));
    // Only transits name a natal point: every other key hashes as it always has.
    for (unsigned char c : key.natal) mix(c);
    return hash;
}

}  // namespace study
