#include "cli/pricefeed_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/commands.h"

namespace {

std::string Refusal(const std::vector<std::string>& args, cli::PriceFeedOptions& options) {
    return cli::ParsePriceFeedArguments(args, options).value_or("");
}

std::string Refusal(const std::vector<std::string>& args) {
    cli::PriceFeedOptions options;
    return Refusal(args, options);
}

TEST(PriceFeedArguments, ReplayOrRandomWalk) {
    cli::PriceFeedOptions options;
    ASSERT_EQ(Refusal({"--csv", "prices.csv", "--speed", "60", "--count", "3"}, options), "");
    EXPECT_EQ(options.csv, "prices.csv");
    EXPECT_EQ(options.speed, 60.0);
    EXPECT_EQ(options.count, 3u);
    EXPECT_FALSE(options.randomWalk);

    options = {};
    ASSERT_EQ(Refusal({"--random-walk", "--start", "+1000.5", "--step", "0.25", "--interval",
                       "86400", "--seed", "18446744073709551615", "--file", "p.can"},
                      options),
              "");
    EXPECT_TRUE(options.randomWalk);
    EXPECT_EQ(options.start, 1000.5);
    EXPECT_EQ(options.interval, 86400.0);
    EXPECT_EQ(options.seed, 18446744073709551615u);  // the whole 64-bit range
    EXPECT_EQ(options.file, "p.can");
}

TEST(PriceFeedArguments, RefusalsNameTheProblem) {
    const std::string usage = cli::kPriceFeedUsage;
    EXPECT_EQ(Refusal({}), "give either --csv FILE or --random-walk; usage: caelvane-cli " + usage);
    EXPECT_EQ(Refusal({"--csv", "a.csv", "--random-walk"}),
              "give either --csv FILE or --random-walk; usage: caelvane-cli " + usage);
    EXPECT_EQ(Refusal({"--random-walk", "--random-walk"}), "--random-walk given twice");
    EXPECT_EQ(Refusal({"--csv", "a", "--csv", "b"}), "--csv given twice");
    EXPECT_EQ(Refusal({"--file", ""}), "--file needs a file name");
    EXPECT_EQ(Refusal({"--csv"}), "--csv needs a value");
    EXPECT_EQ(Refusal({"prices.csv"}), "unexpected argument \"prices.csv\"");
    EXPECT_EQ(Refusal({"--count", "-1"}), "--count needs a whole number, not \"-1\"");
    EXPECT_EQ(Refusal({"--seed", "18446744073709551616"}),
              "--seed needs a whole number, not \"18446744073709551616\"");
    EXPECT_EQ(Refusal({"--count", "0"}), "--count must be at least 1");
    EXPECT_EQ(Refusal({"--step", "1,5"}), "--step needs a number, not \"1,5\"");
    EXPECT_EQ(Refusal({"--step", "inf"}), "--step needs a number, not \"inf\"");
    EXPECT_EQ(Refusal({"--start", "0"}), "--start must be above 0 and at most 1e14");
    EXPECT_EQ(Refusal({"--start", "1.5e14"}), "--start must be above 0 and at most 1e14");
    EXPECT_EQ(Refusal({"--speed", "-2"}), "--speed must be above 0 and at most 1e9");
    // A replay so slow that its waits overflow the clock.
    EXPECT_EQ(Refusal({"--csv", "a.csv", "--speed", "1e-300"}),
              "--speed 1e-300 is too slow: the slowest replay is 1e-5 (about a day for every "
              "second between rows)");
    EXPECT_EQ(Refusal({"--csv", "a.csv", "--speed", "1e-5"}), "");
    EXPECT_EQ(Refusal({"--interval", "86401"}), "--interval must be above 0 and at most 86400");
    EXPECT_EQ(Refusal({"--random-walk", "--speed", "2"}), "--speed goes with --csv");
    EXPECT_EQ(Refusal({"--csv", "a.csv", "--seed", "1"}),
              "--start, --step, --interval and --seed go with --random-walk");
}

}  // namespace
