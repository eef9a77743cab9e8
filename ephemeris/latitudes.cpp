#include "ephemeris/latitudes.h"

#include "ephemeris/latitude_tables.h"
#include "ephemeris/series.h"
#include "ephemeris/series_eval.h"

namespace {

using namespace ephemeris::series::tables;

using ephemeris::series::Longitude;

}  // namespace

// A latitude series sums and folds like a longitude series without its mean longitude:
// negative latitudes gain 360 once.
double MercuryLatitude(double jed) {
    return Longitude<kMercuryLatitude>(jed);
}
double VenusLatitude(double jed) {
    return Longitude<kVenusLatitude>(jed);
}
double MarsLatitude(double jed) {
    return Longitude<kMarsLatitude>(jed);
}
double JupiterLatitude(double jed) {
    return Longitude<kJupiterLatitude>(jed);
}
double SaturnLatitude(double jed) {
    return Longitude<kSaturnLatitude>(jed);
}
double UranusLatitude(double jed) {
    return Longitude<kUranusLatitude>(jed);
}
double NeptuneLatitude(double jed) {
    return Longitude<kNeptuneLatitude>(jed);
}
double PlutoLatitude(double jed) {
    return Longitude<kPlutoLatitude>(jed);
}
