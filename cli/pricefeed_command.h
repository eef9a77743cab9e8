#pragma once
// caelvane-cli pricefeed: its argument parsing.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// Unset values take their defaults when the feed runs: speed 1, start 1000, step 0.25,
// interval 10 seconds, a random seed, no count limit; no file means the desktop program's.
struct PriceFeedOptions {
    std::string file;
    std::string csv;
    bool randomWalk = false;
    std::optional<double> speed, start, step, interval;
    std::optional<std::uint64_t> seed, count;
};

// The usage error the arguments make, if any (--help is not an argument here).
std::optional<std::string> ParsePriceFeedArguments(const std::vector<std::string>& args,
                                                   PriceFeedOptions& options);

}  // namespace cli
