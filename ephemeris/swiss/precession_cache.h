#pragma once
// Two of libswe's inner functions, kept per date for each thread.
//
// For every body at every instant the library rebuilds the precession matrix from J2000 to the
// date twice (for the position and for the speed) and evaluates the long-term precession
// series twice more for the rate of precession: about 11,000 instructions a body, the same
// numbers for every body of the instant. The static library is linked with the linker's
// `--wrap` for `swi_precess` and `swi_ldp_peps`, so that its own calls to them come here first:
// both are pure functions of their arguments, and the answers of the last few dates are kept
// for each thread.
//
// Reading a date's matrix costs three calls; a search that asks for one body at each of many
// dates would pay more than it saves. So the cache works only inside a PrecessionBatch: the
// calls for several bodies at one instant.
//
// The precession is a matrix applied to a vector. A new date's matrix is read from the library
// itself (the images of the three unit vectors) and used only where it reproduces the
// library's own answer for the vector that asked, bit for bit; otherwise (another model, a
// build that rotates in steps) every call for that date goes to the library. The arithmetic
// here is the library's: the same products summed in the same order, never contracted.
//
// Built only where the library is the static archive (CAELVANE_SWISS_PRECESSION_CACHE): a shared
// library's calls among its own functions cannot be wrapped.

#include <cstdint>

extern "C" {
// The library's own functions, under the names the linker gives them beside the wraps.
int __real_swi_precess(double* vector, double jd, std::int32_t flags, int direction);
void __real_swi_ldp_peps(double jd, double* precession, double* obliquity);

int __wrap_swi_precess(double* vector, double jd, std::int32_t flags, int direction);
void __wrap_swi_ldp_peps(double jd, double* precession, double* obliquity);
}

namespace swiss {

// While one is alive in a thread, that thread's calls keep the dates' matrices and rates.
class PrecessionBatch {
public:
    PrecessionBatch();
    ~PrecessionBatch();
    PrecessionBatch(const PrecessionBatch&) = delete;
    PrecessionBatch& operator=(const PrecessionBatch&) = delete;
};

// How many times the calling thread asked the library itself for a precession (three a new
// date, more where the cache cannot stand in), for tests and benchmarks.
std::uint64_t PrecessionComputedByLibrary();

}  // namespace swiss
