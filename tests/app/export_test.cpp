// The --render tool through the real program: refusals before any work, and a saved line grown,
// fitted and painted to a PNG of the asked size, the same bytes every time.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int code = -1;
    std::string out;  // standard output and error together
};

ToolRun render(const std::string& arguments) {
    ToolRun run;
    const std::string command = std::string("'") + ORN_BIN_DIR + "/ornalis2' --render " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    while (fgets(buffer, sizeof buffer, pipe)) run.out += buffer;
    const int status = pclose(pipe);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class RenderTool : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orn-export-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string dir;
};

struct BadCase {
    const char* arguments;  // $ stands for the temporary folder
    const char* says;
};

TEST_F(RenderTool, RefusesBadArgumentsWithExitTwoAndWritesNothing) {
    const BadCase cases[] = {
        {"", "missing the recipe line"},
        {"'1,2,3' --out $/a.png", "field 4"},
        {"'1,2,x,4,5,0.5' --out $/a.png", "field 3"},
        {"'1,2,3,4,5,0.5,9' --out $/a.png", "more than six fields"},
        {"'1,2,3,4,5,0.5'", "missing --out"},
        {"'1,2,3,4,5,0.5' --out", "unexpected argument '--out'"},
        {"'1,2,3,4,5,0.5' --out $/a.png --size 0 10", "--size"},
        {"'1,2,3,4,5,0.5' --out $/a.png --size 8193 10", "--size"},
        {"'1,2,3,4,5,0.5' --out $/a.png --size 10 ten", "--size"},
        {"'1,2,3,4,5,0.5' --out $/a.png --size 10", "unexpected argument '--size'"},
        {"'1,2,3,4,5,0.5' --out $/a.png --colour red", "unexpected argument '--colour'"},
        {"'1,2,3,4,5,0.5' --out $/missing/a.png", "cannot write"},
        {"'1,2,3,4,5,0.5' --out $", "it is a folder"},
    };
    for (const BadCase& c : cases) {
        std::string arguments = c.arguments;
        for (size_t at; (at = arguments.find('$')) != std::string::npos;) arguments.replace(at, 1, dir);
        const ToolRun run = render(arguments);
        EXPECT_EQ(run.code, 2) << arguments << "\n" << run.out;
        EXPECT_NE(run.out.find(c.says), std::string::npos) << arguments << "\n" << run.out;
        EXPECT_EQ(run.out.find("items painted"), std::string::npos) << arguments;
        EXPECT_TRUE(fs::is_empty(dir)) << arguments;
    }
}

// A five-part line saved at its first generation of at least 20000 items.
const char* const fivePartLine = "'123,456,789,789,78125,0.000000'";

TEST_F(RenderTool, PaintsTheGrownScreenAtTheAskedSizeTheSameEveryTime) {
    const std::string first = dir + "/first.png";
    const std::string second = dir + "/second.png";
    const ToolRun run = render(std::string(fivePartLine) + " --out '" + first + "' --size 320 200");
    ASSERT_EQ(run.code, 0) << run.out;
    EXPECT_NE(run.out.find("78125 items painted"), std::string::npos) << run.out;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
    ASSERT_EQ(render(std::string(fivePartLine) + " --out '" + second + "' --size 320 200").code, 0);
    EXPECT_EQ(readFile(first), readFile(second));

    SDL_Surface* loaded = IMG_Load(first.c_str());
    ASSERT_NE(loaded, nullptr) << IMG_GetError();
    SDL_Surface* picture = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(loaded);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->w, 320);
    EXPECT_EQ(picture->h, 200);
    // The exact fit fills the smaller side: lit pixels reach near both of its edges, and the
    // picture is mostly lit, in many colours.
    int lit = 0, litTop = 0, litBottom = 0;
    std::set<uint32_t> colours;
    for (int y = 0; y < picture->h; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(picture->pixels) + static_cast<size_t>(y) * picture->pitch;
        for (int x = 0; x < picture->w; ++x) {
            const uint8_t* p = row + x * 3;
            if (p[0] + p[1] + p[2] < 30) continue;
            ++lit;
            litTop += y < 10;
            litBottom += y >= picture->h - 10;
            colours.insert(static_cast<uint32_t>(p[0]) << 16 | p[1] << 8 | p[2]);
        }
    }
    SDL_FreeSurface(picture);
    EXPECT_GT(lit, 320 * 200 / 10);
    EXPECT_GT(litTop, 0);
    EXPECT_GT(litBottom, 0);
    EXPECT_GT(colours.size(), 100u);
}

TEST_F(RenderTool, ReplacesAnExistingFile) {
    const std::string path = dir + "/old.png";
    FILE* file = fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    fputs("old", file);
    fclose(file);
    const ToolRun run = render("'1,2,3,4,5,0.5' --out '" + path + "' --size 64 64");
    ASSERT_EQ(run.code, 0) << run.out;
    EXPECT_GT(fs::file_size(path), 3u);
}

}  // namespace
