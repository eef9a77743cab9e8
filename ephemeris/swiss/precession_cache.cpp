#include "ephemeris/swiss/precession_cache.h"

#include <array>
#include <bit>
#include <cstring>

namespace {

// A few dates a thread: the instant asked for, and the neighbours the library visits for
// speeds and light-time, without one evicting the other.
constexpr std::size_t kDates = 4;

bool SameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

struct PrecessionEntry {
    bool used = false;
    bool matrix = false;  // the three images reproduce the library; else it is asked each time
    double jd = 0;
    std::int32_t flags = 0;
    int direction = 0;
    double images[3][3] = {};  // images[k] = the library's answer for the k-th unit vector
};

struct PrecessionCache {
    std::array<PrecessionEntry, kDates> entries;
    std::size_t next = 0;
    std::uint64_t computed = 0;
};

thread_local PrecessionCache t_precession;

// x = v0 * e0' + v1 * e1' + v2 * e2', component by component, in that order: what the library
// computes from its matrix.
void Apply(const PrecessionEntry& entry, const double* vector, double* out) {
    for (int i = 0; i < 3; ++i) {
        out[i] = vector[0] * entry.images[0][i] + vector[1] * entry.images[1][i] +
                 vector[2] * entry.images[2][i];
    }
}

int CallLibrary(double* vector, double jd, std::int32_t flags, int direction) {
    ++t_precession.computed;
    return __real_swi_precess(vector, jd, flags, direction);
}

struct PepsEntry {
    bool used = false;
    double jd = 0;
    double precession = 0;
    double obliquity = 0;
};

struct PepsCache {
    std::array<PepsEntry, kDates> entries;
    std::size_t next = 0;
};

thread_local PepsCache t_peps;

// Open batches of the calling thread: only they pay for reading a matrix.
thread_local int t_batches = 0;

}  // namespace

extern "C" int __wrap_swi_precess(double* vector, double jd, std::int32_t flags, int direction) {
    if (t_batches == 0) return CallLibrary(vector, jd, flags, direction);
    PrecessionCache& cache = t_precession;
    for (const PrecessionEntry& entry : cache.entries) {
        if (entry.used && SameBits(entry.jd, jd) && entry.flags == flags &&
            entry.direction == direction) {
            if (!entry.matrix) return CallLibrary(vector, jd, flags, direction);
            double out[3];
            Apply(entry, vector, out);
            std::memcpy(vector, out, sizeof out);
            return 0;
        }
    }
    PrecessionEntry entry;
    entry.used = true;
    entry.jd = jd;
    entry.flags = flags;
    entry.direction = direction;
    bool clean = true;
    for (int k = 0; k < 3; ++k) {
        double unit[3] = {0, 0, 0};
        unit[k] = 1;
        clean = CallLibrary(unit, jd, flags, direction) == 0 && clean;
        std::memcpy(entry.images[k], unit, sizeof unit);
    }
    double expected[3];
    Apply(entry, vector, expected);
    const int result = CallLibrary(vector, jd, flags, direction);
    // At J2000 itself the library leaves the vector as it is; a unit matrix would turn a
    // negative zero into a positive one.
    bool identity = true;
    for (int k = 0; k < 3; ++k) {
        for (int i = 0; i < 3; ++i) identity = identity && entry.images[k][i] == (i == k ? 1 : 0);
    }
    entry.matrix = clean && !identity && result == 0 && SameBits(expected[0], vector[0]) &&
                   SameBits(expected[1], vector[1]) && SameBits(expected[2], vector[2]);
    cache.entries[cache.next] = entry;
    cache.next = (cache.next + 1) % kDates;
    return result;
}

extern "C" void __wrap_swi_ldp_peps(double jd, double* precession, double* obliquity) {
    if (t_batches == 0) return __real_swi_ldp_peps(jd, precession, obliquity);
    PepsCache& cache = t_peps;
    const PepsEntry* found = nullptr;
    for (const PepsEntry& entry : cache.entries) {
        if (entry.used && SameBits(entry.jd, jd)) found = &entry;
    }
    if (found == nullptr) {
        PepsEntry entry;
        entry.used = true;
        entry.jd = jd;
        __real_swi_ldp_peps(jd, &entry.precession, &entry.obliquity);
        cache.entries[cache.next] = entry;
        found = &cache.entries[cache.next];
        cache.next = (cache.next + 1) % kDates;
    }
    if (precession != nullptr) *precession = found->precession;
    if (obliquity != nullptr) *obliquity = found->obliquity;
}

namespace swiss {

PrecessionBatch::PrecessionBatch() {
    ++t_batches;
}

PrecessionBatch::~PrecessionBatch() {
    --t_batches;
}

std::uint64_t PrecessionComputedByLibrary() {
    return t_precession.computed;
}

}  // namespace swiss
