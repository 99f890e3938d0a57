// --describe: the JSON of the screen a saved line builds.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "app/startup.h"
#include "model/screen.h"
#include "platform/platform.h"

namespace {

struct Described {
    int code;
    std::string out;
};

Described describe(std::vector<std::string> args) {
    args.insert(args.begin(), {"ornalis2", "--describe"});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    testing::internal::CaptureStdout();
    int code = orn::describeCommand(static_cast<int>(argv.size()), argv.data());
    return Described{code, testing::internal::GetCapturedStdout()};
}

void expectHas(const std::string& out, const std::string& piece) {
    EXPECT_NE(out.find(piece), std::string::npos) << piece << "\nnot in\n" << out.substr(0, 600);
}

TEST(Describe, GoldenLine) {
    Described r = describe({"2,11,1000000000,1000000000,20000,0.25", "--graphics", "4"});
    ASSERT_EQ(r.code, 0);
    ASSERT_EQ(r.out.front(), '{');
    expectHas(r.out,
              "{\"recipe\":{\"shapeSeed\":2,\"mutationSeed\":11,\"colourSeed\":1000000000,"
              "\"paletteSeed\":1000000000,\"itemTarget\":20000,\"partScale\":0.25},\"partCount\":4,");
    // Nine significant digits carry the exact single-precision values (0.57 is 0.569999993).
    expectHas(r.out, "\"parts\":[{\"sprite\":2,\"offsetX\":-54,\"offsetY\":86,\"angle\":4.88692188,");
    expectHas(r.out, "\"scale\":0.569999993},{\"sprite\":3,\"offsetX\":-288,");
    expectHas(r.out, "\"palette\":[[175,254,68],[155,231,69],[135,208,70],");
    expectHas(r.out, "[235,101,187]],\"firstGeneration\":[{\"sprite\":2,\"x\":-54,\"y\":86,");
    expectHas(r.out, "\"scale\":1.13999999,\"colour\":0},");
    expectHas(r.out, "\"itemTarget\":20000,\"generations\":[4,16,64,256,1024,4096,16384,65536]}\n");
}

TEST(Describe, DefaultGraphicsAreThePixImages) {
    platform::setProgramDirectory(ORN_BIN_DIR);
    int images = 0;
    for (const auto& e : std::filesystem::directory_iterator(std::string(ORN_BIN_DIR) + "/pix")) {
        if (e.is_regular_file() && e.path().extension() == ".png") ++images;
    }
    ASSERT_GT(images, 1);
    Described byDefault = describe({"5,6,7,8,20000,1.000000"});
    Described counted = describe({"5,6,7,8,20000,1.000000", "--graphics", std::to_string(images)});
    Described single = describe({"5,6,7,8,20000,1.000000", "--graphics", "1"});
    EXPECT_EQ(byDefault.code, 0);
    EXPECT_EQ(byDefault.out, counted.out);
    EXPECT_NE(byDefault.out, single.out);
}

TEST(Describe, AnyLineIsDescribedOnlyAMissingLineFails) {
    Described empty = describe({""});
    EXPECT_EQ(empty.code, 0);
    expectHas(empty.out, "\"recipe\":{\"shapeSeed\":0,\"mutationSeed\":0,\"colourSeed\":0,\"paletteSeed\":0,"
                         "\"itemTarget\":0,\"partScale\":0}");
    // An item target at or below the first generation: it does not grow by itself.
    expectHas(empty.out, "\"itemTarget\":0,\"generations\":[");

    Described odd = describe({" 3 ,\"4\",x,,9,0.5x,extra", "--graphics", "2"});
    EXPECT_EQ(odd.code, 0);
    expectHas(odd.out, "\"shapeSeed\":3,\"mutationSeed\":4,\"colourSeed\":0,\"paletteSeed\":0,\"itemTarget\":9,"
                       "\"partScale\":0.5}");

    Described missing = describe({});
    EXPECT_EQ(missing.code, 2);
    EXPECT_EQ(missing.out, "");
    Described badCount = describe({"1,2,3,4,5,1", "--graphics"});
    EXPECT_EQ(badCount.code, 2);
    EXPECT_EQ(badCount.out, "");
}

// JSON has no literal for values that are not finite; they are written as strings.
TEST(Describe, FloatsThatAreNotFiniteBecomeStrings) {
    EXPECT_EQ(orn::jsonFloat(std::numeric_limits<float>::infinity()), "\"inf\"");
    EXPECT_EQ(orn::jsonFloat(-std::numeric_limits<float>::infinity()), "\"-inf\"");
    EXPECT_EQ(orn::jsonFloat(std::numeric_limits<float>::quiet_NaN()), "\"nan\"");
    EXPECT_EQ(orn::jsonFloat(0.1f), "0.100000001");
}

TEST(Describe, GenerationsStopAtTheLimit) {
    Described r = describe({"1,11,3,3,2147483647,1", "--graphics", "3"});  // three parts
    expectHas(r.out, "\"generations\":[3,9,27,81,243,729,2187,6561,19683,59049,177147,531441,1594323,4782969,"
                     "14348907]}");
}

}  // namespace
