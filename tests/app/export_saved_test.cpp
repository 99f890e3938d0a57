// ornalis2 --render-saved DIR: every saved line of a copy of the program's folder painted as
// DIR/NNN.png, with a progress line each, and a clear refusal when DIR cannot be written.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Output {
    std::string text;  // standard output and standard error together
    int exitCode = -1;
};

class RenderSavedTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orn-render-saved-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        const fs::path bin = ORN_BIN_DIR;
        fs::copy_file(bin / "ornalis2", fs::path(dir) / "ornalis2");
        for (const char* asset : {"pix", "Graphics.paq", "Sound.paq"}) {
            fs::create_symlink(bin / asset, fs::path(dir) / asset);
        }
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    void writeFile(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    Output run(const std::string& arguments) {
        Output out;
        FILE* pipe = popen((dir + "/ornalis2 --render-saved " + arguments + " 2>&1").c_str(), "r");
        if (!pipe) return out;
        for (int c; (c = fgetc(pipe)) != EOF;) out.text += static_cast<char>(c);
        const int status = pclose(pipe);
        out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return out;
    }
    std::string dir;
};

int countLines(const std::string& text, const std::string& containing) {
    int n = 0;
    size_t from = 0;
    for (size_t at; (at = text.find('\n', from)) != std::string::npos; from = at + 1) {
        if (text.substr(from, at - from).find(containing) != std::string::npos) ++n;
    }
    return n;
}

TEST_F(RenderSavedTest, WritesEverySavedScreenIntoANewFolder) {
    writeFile(dir + "/Ornalis2.sav", "5,6,7,8,200,1.000000\r\n9,10,11,12,300,0.500000\r\n");
    const std::string out = dir + "/pictures/nested";
    const Output result = run(out + " --size 64 48");
    ASSERT_EQ(result.exitCode, 0) << result.text;
    EXPECT_EQ(countLines(result.text, " items in "), 2) << result.text;
    for (const char* name : {"001.png", "002.png"}) {
        SDL_Surface* picture = IMG_Load((out + "/" + name).c_str());
        ASSERT_NE(picture, nullptr) << name;
        EXPECT_EQ(picture->w, 64);
        EXPECT_EQ(picture->h, 48);
        SDL_FreeSurface(picture);
    }
    EXPECT_FALSE(fs::exists(out + "/003.png"));
    // Only the pictures: the writability probe leaves nothing behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 2);
}

TEST_F(RenderSavedTest, EmptyOrMissingSaveFileWritesNothing) {
    const Output result = run(dir + "/out");
    EXPECT_EQ(result.exitCode, 0) << result.text;
    EXPECT_NE(result.text.find("no saved screens"), std::string::npos) << result.text;
}

struct RefusalCase {
    const char* name;
    const char* folder;  // relative to the program copy; "file" is a plain file there
    const char* says;
};

class RenderSavedRefusalTest : public RenderSavedTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RenderSavedRefusalTest, ExitsTwoBeforeAnyWork) {
    writeFile(dir + "/Ornalis2.sav", "5,6,7,8,200,1.000000\r\n");
    writeFile(dir + "/file", "not a folder");
    const Output result = run(dir + "/" + GetParam().folder);
    EXPECT_EQ(result.exitCode, 2) << result.text;
    EXPECT_NE(result.text.find(GetParam().says), std::string::npos) << result.text;
    EXPECT_EQ(countLines(result.text, " items in "), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, RenderSavedRefusalTest,
                         ::testing::Values(RefusalCase{"PlainFile", "file", "it is not a folder"},
                                           RefusalCase{"UnderAPlainFile", "file/pictures", "cannot create the folder"}),
                         [](const ::testing::TestParamInfo<RefusalCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(RenderSavedTest, BadArgumentsAreRefused) {
    EXPECT_EQ(run("").exitCode, 2);
    EXPECT_EQ(run(dir + "/out --size 0 10").exitCode, 2);
    EXPECT_EQ(run(dir + "/out --colour red").exitCode, 2);
}

TEST_F(RenderSavedTest, UnreadableSaveFileIsReported) {
    fs::create_directory(dir + "/Ornalis2.sav");
    const Output result = run(dir + "/out");
    EXPECT_EQ(result.exitCode, 2) << result.text;
    EXPECT_NE(result.text.find("cannot read"), std::string::npos) << result.text;
}

}  // namespace
