#include "platform/system_host_services.h"

#include <cstdio>
#include <ctime>

#include "platform/time_zone.h"

namespace caelvane {

LocalDate CSystemHostServices::Today() const {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return LocalDate{};
    return LocalDate{local.tm_mon + 1, local.tm_mday, local.tm_year + 1900};
}

TimeZoneRule CSystemHostServices::ZoneRule() const {
    return HostTimeZoneRule();
}

void CSystemHostServices::MessageBox(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

}  // namespace caelvane
