#include "tools/switcher_sim/Options.h"

#include <gtest/gtest.h>

using namespace switchersim;

TEST(ParseOptions, DefaultsServeACorvaneOnThePanelsPort) {
    std::string error;
    const auto o = ParseOptions({}, error);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->Switcher, Model::CorvaneII);
    EXPECT_EQ(o->Port, 3000);
    EXPECT_EQ(o->Bind, "127.0.0.1");
    EXPECT_EQ(o->Version, "1.20.A");
    EXPECT_EQ(o->LogPath, "");
    EXPECT_EQ(o->ScriptPath, "");
}

TEST(ParseOptions, TakesEveryOption) {
    std::string error;
    const auto o = ParseOptions({"--model", "Halverin", "--port", "0", "--bind", "0.0.0.0", "--version",
                                 "1.19.Z", "--log", "sim.log", "--script", "faults.txt"},
                                error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->Switcher, Model::HalverinII);
    EXPECT_EQ(o->Port, 0);
    EXPECT_EQ(o->Bind, "0.0.0.0");
    EXPECT_EQ(o->Version, "1.19.Z");
    EXPECT_EQ(o->LogPath, "sim.log");
    EXPECT_EQ(o->ScriptPath, "faults.txt");
    EXPECT_TRUE(ParseOptions({"--help"}, error)->Help);
}

TEST(ParseOptions, RefusesWhatMakesNoSense) {
    const std::vector<std::vector<std::string>> bad = {
        {"--model", "tibbet"}, {"--port", "65536"}, {"--port", "-1"}, {"--port", "30x"}, {"--port"},
        {"--version", ""},     {"--verbose"},       {"3000"},
    };
    for (const auto& args : bad) {
        std::string error;
        EXPECT_FALSE(ParseOptions(args, error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
}
