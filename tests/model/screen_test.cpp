// Screen building: the order of draws from the three generators, the mutation table, the
// palette walk, the reset, the first generation, the ambient choice and the "screen" event.
// Expected values were worked out by hand from the generator's reference rule.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "interaction/browse.h"
#include "interaction/frame.h"
#include "model/generator.h"
#include "model/items.h"
#include "model/screen.h"
#include "platform/events.h"
#include "platform/platform.h"
#include "registry/owning_lists.h"
#include "registry/registry.h"

namespace {

using namespace orn;

constexpr double kPi = 3.14159265358979323846;

// The golden recipe: shape seed 2 gives four parts with twist-sign mode 2 (one sign draw per
// part); mutation seed 11 draws no mutation (11 mod 11 = 0).
constexpr ScreenRecipe golden = {2, 11, 1000000000, 1000000000, 20000, 0.25f};

class ScreenBuild : public testing::Test {
protected:
    void SetUp() override {
        platform::setDesktopSize(1920, 1080);
        registry = new VOXA();
    }
    void TearDown() override {
        releaseBuffer(0);
        releaseBuffer(1);
        delete registry;
        registry = nullptr;
    }
    void useGraphics(int n) {
        for (int i = 0; i < n; ++i) registry->addGraphic("g" + std::to_string(i), 0, 0, 0, 8, 8, 0, 0, 0);
    }
    static void buildFrom(const ScreenRecipe& recipe) {
        screenRecipe = recipe;
        resetScreenState();
        buildScreen(31, true);
    }
};

struct Snapshot {
    int32_t partCount;
    Part parts[5];
    PaletteEntry palette[256];
    Item first[5];
    int32_t firstCount;
};

Snapshot snapshot() {
    Snapshot s{};
    s.partCount = screenModel.partCount;
    std::memcpy(s.parts, screenModel.parts, sizeof s.parts);
    std::memcpy(s.palette, screenModel.palette, sizeof s.palette);
    const ItemBuffer& b = selectBuffer(1);
    s.firstCount = b.count;
    for (int32_t i = 0; i < b.count && i < 5; ++i) s.first[i] = b.items[i];
    return s;
}

void expectSameParts(const Snapshot& a, const Snapshot& b) {
    ASSERT_EQ(a.partCount, b.partCount);
    EXPECT_EQ(0, std::memcmp(a.parts, b.parts, sizeof a.parts));
}

void expectSamePalette(const Snapshot& a, const Snapshot& b) {
    EXPECT_EQ(0, std::memcmp(a.palette, b.palette, sizeof a.palette));
}

// The direction from a part's offset point towards the origin, in [0, 2π), in double.
double towardsOrigin(double ox, double oy) {
    double t = std::atan2(-oy, -ox);
    return t < 0 ? t + 2 * kPi : t;
}

TEST_F(ScreenBuild, GoldenBuildFromRecipe) {
    useGraphics(4);
    buildFrom(golden);
    const SPRITE& m = screenModel;

    // Shape draws from state 2: partCount 2 + (2 mod 4) = 4, twist-sign mode 2880 mod 3 = 0 ...
    // then per part sprite (bound 3), offsetX, offsetY (bound 900, minus 450), sign (bound 1)
    // and scale (bound 15); angles k come from the colour generator (bound 359).
    struct Expected {
        int32_t sprite;
        float ox, oy;
        int k;
        int sign;
        float scale;
    };
    const Expected parts[4] = {{2, -54, 86, 280, 1, 0.57f},
                               {3, -288, 342, 340, 1, 0.52f},
                               {2, -257, -9, 56, -1, 0.61f},
                               {0, -9, 304, 172, 1, 0.65f}};
    ASSERT_EQ(m.partCount, 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const Part& p = m.parts[i];
        EXPECT_EQ(p.sprite, parts[i].sprite);
        EXPECT_EQ(p.offsetX, parts[i].ox);
        EXPECT_EQ(p.offsetY, parts[i].oy);
        EXPECT_NEAR(p.angle, parts[i].k * kPi / 180, 1e-6);
        EXPECT_NEAR(p.twist, parts[i].sign * towardsOrigin(parts[i].ox, parts[i].oy), 1e-5);
        EXPECT_FLOAT_EQ(p.scale, parts[i].scale);
    }
    EXPECT_EQ(m.parts[4].sprite, -1);
    // Every shape draw was consumed: 2 + 4 × 5 draws from state 2.
    EXPECT_EQ(shapeGenerator.state, 317791840);
    EXPECT_EQ(mutationGenerator.state, 31670);

    // Palette continues from the colour state after the angles: starts 195, 233, 67 and steps
    // -20, +23, +1; green leaves the range at once (256 -> 254, step reversed).
    const int32_t first[3][3] = {{175, 254, 68}, {155, 231, 69}, {135, 208, 70}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(m.palette[i].red, first[i][0]);
        EXPECT_EQ(m.palette[i].green, first[i][1]);
        EXPECT_EQ(m.palette[i].blue, first[i][2]);
    }
    EXPECT_EQ(m.palette[255].red, 235);
    EXPECT_EQ(m.palette[255].green, 101);
    EXPECT_EQ(m.palette[255].blue, 187);

    // The reset and the recipe's own values.
    EXPECT_EQ(m.itemTarget, 20000);
    EXPECT_EQ(m.savedPartScale, 0.25);
    EXPECT_EQ(m.partScale, 1.0);
    EXPECT_EQ(m.viewZoom, 0.5);  // half the display scale of a 1920 × 1080 desktop
    EXPECT_EQ(m.panX, 0.0);
    EXPECT_EQ(m.panY, 0.0);
    EXPECT_EQ(m.autoFit, 1);
    EXPECT_EQ(m.generationsDone, 0);
    EXPECT_EQ(m.generationsStarted, 0);
    EXPECT_EQ(activeBuffer, 0);

    // The first generation: one item per part at its offset, twice its scale, colour 0.
    const ItemBuffer& b = selectBuffer(1);
    ASSERT_EQ(b.capacity, 4);
    ASSERT_EQ(b.count, 4);
    for (int i = 0; i < 4; ++i) {
        const Item& it = b.items[i];
        EXPECT_EQ(it.sprite, parts[i].sprite);
        EXPECT_EQ(it.x, parts[i].ox);
        EXPECT_EQ(it.y, parts[i].oy);
        EXPECT_EQ(it.angle, m.parts[i].angle);
        EXPECT_EQ(it.scale, 2 * m.parts[i].scale);
        EXPECT_EQ(it.colour, 0);
    }
    EXPECT_EQ(b.minX, -288);
    EXPECT_EQ(b.maxX, -9);
    EXPECT_EQ(b.minY, -9);
    EXPECT_EQ(b.maxY, 342);
}

// The same shape seed with fewer graphics: no sprite draws, so the rest of the sequence moves.
struct GraphicsCase {
    int graphics;
    float firstOffsetX, firstOffsetY, secondOffsetX;
};

class GraphicsCount : public ScreenBuild, public testing::WithParamInterface<GraphicsCase> {};

TEST_P(GraphicsCount, NoSpriteDrawsBelowTwoGraphics) {
    useGraphics(GetParam().graphics);
    buildFrom(golden);
    ASSERT_EQ(screenModel.partCount, 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(screenModel.parts[i].sprite, 0);
    EXPECT_EQ(screenModel.parts[0].offsetX, GetParam().firstOffsetX);
    EXPECT_EQ(screenModel.parts[0].offsetY, GetParam().firstOffsetY);
    EXPECT_EQ(screenModel.parts[1].offsetX, GetParam().secondOffsetX);
}

INSTANTIATE_TEST_SUITE_P(Graphics, GraphicsCount,
                         testing::Values(GraphicsCase{1, 411, -54, -131}, GraphicsCase{0, 411, -54, -131}));

// Each kind of mutation, found as a mutation seed that draws exactly one mutation (a, b, kind)
// for a four-part screen; everything else equals the unmutated screen.
struct MutationCase {
    int32_t seed;
    int a, b, kind;
    std::function<void(Part& A, Part& B, const Part& a0, const Part& b0)> effect;
};

class Mutation : public ScreenBuild, public testing::WithParamInterface<MutationCase> {};

TEST_P(Mutation, OneMutationChangesOnlyItsTarget) {
    const MutationCase& c = GetParam();
    useGraphics(4);
    buildFrom(golden);
    Snapshot base = snapshot();
    ScreenRecipe r = golden;
    r.mutationSeed = c.seed;
    buildFrom(r);
    Snapshot mutated = snapshot();

    Snapshot expected = base;
    c.effect(expected.parts[c.a], expected.parts[c.b], base.parts[c.a], base.parts[c.b]);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const Part& e = expected.parts[i];
        const Part& g = mutated.parts[i];
        EXPECT_EQ(g.sprite, e.sprite);
        EXPECT_FLOAT_EQ(g.offsetX, e.offsetX);
        EXPECT_FLOAT_EQ(g.offsetY, e.offsetY);
        EXPECT_FLOAT_EQ(g.angle, e.angle);
        EXPECT_FLOAT_EQ(g.twist, e.twist);
        EXPECT_FLOAT_EQ(g.scale, e.scale);
    }
    expectSamePalette(base, mutated);
}

const float pif = static_cast<float>(kPi);

INSTANTIATE_TEST_SUITE_P(
    Kinds, Mutation,
    testing::Values(
        MutationCase{12, 1, 0, 0, [](Part& A, Part&, const Part&, const Part& B) { A.sprite = B.sprite; }},
        MutationCase{67, 2, 3, 1, [](Part& A, Part&, const Part&, const Part& B) { A.offsetX = B.offsetX; }},
        MutationCase{166, 3, 1, 2, [](Part& A, Part&, const Part&, const Part& B) { A.offsetY = B.offsetY; }},
        MutationCase{34, 3, 2, 3, [](Part& A, Part&, const Part&, const Part& B) { A.angle = B.angle; }},
        MutationCase{45, 0, 1, 4, [](Part& A, Part&, const Part&, const Part& B) { A.scale = B.scale; }},
        MutationCase{1, 0, 1, 5, [](Part& A, Part&, const Part&, const Part& B) { A.offsetX = -B.offsetX; }},
        MutationCase{78, 3, 2, 6, [](Part& A, Part&, const Part&, const Part& B) { A.offsetY = -B.offsetY; }},
        MutationCase{210, 3, 1, 7, [](Part& A, Part&, const Part&, const Part& B) { A.angle = -B.angle; }},
        MutationCase{23, 2, 3, 8, [](Part& A, Part&, const Part&, const Part& B) { A.offsetX = 2 * B.offsetX; }},
        MutationCase{56, 1, 0, 9, [](Part& A, Part&, const Part&, const Part& B) { A.twist = B.twist; }},
        MutationCase{122, 3, 1, 10, [](Part& A, Part&, const Part&, const Part& B) { A.twist = -B.twist; }},
        MutationCase{562, 3, 2, 11, [](Part& A, Part&, const Part&, const Part& B) { A.angle = B.angle + pif; }},
        MutationCase{89, 0, 1, 12, [](Part& A, Part&, const Part&, const Part& B) { A.twist = B.twist + pif; }},
        // The only kind that writes part b.
        MutationCase{144, 1, 3, 13, [](Part&, Part& B, const Part& A, const Part&) { B.angle = A.twist; }}));

TEST_F(ScreenBuild, MutationWithCoincidingIndicesConsumesTwoDraws) {
    useGraphics(4);
    buildFrom(golden);
    Snapshot base = snapshot();
    ScreenRecipe r = golden;
    r.mutationSeed = 133;  // one mutation, a = b = 0
    buildFrom(r);
    expectSameParts(base, snapshot());
    // Exactly three draws from 133: the count and the two indices, no kind.
    EXPECT_EQ(mutationGenerator.state, 565852956);
}

struct PaletteCase {
    const char* name;
    int32_t paletteSeed;
    int32_t entries[2][3];  // the first two entries
};

class PaletteWalk : public ScreenBuild, public testing::WithParamInterface<PaletteCase> {};

TEST_P(PaletteWalk, FirstEntries) {
    useGraphics(4);
    ScreenRecipe r = golden;
    r.paletteSeed = GetParam().paletteSeed;
    buildFrom(r);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(screenModel.palette[i].red, GetParam().entries[i][0]);
        EXPECT_EQ(screenModel.palette[i].green, GetParam().entries[i][1]);
        EXPECT_EQ(screenModel.palette[i].blue, GetParam().entries[i][2]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Seeds, PaletteWalk,
    testing::Values(
        // Seeded from a palette seed different from the colour seed: starts 85, 34, 21 ...
        PaletteCase{"seeded", 77, {{73, 234, 44}, {69, 224, 59}}},
        // Steps -4, 11, 2 sum to 17 and are drawn again (-11, -9, -4); red 16 - 11 reflects to 75.
        PaletteCase{"redrawn_step", 16, {{75, 232, 76}, {86, 223, 72}}},
        // Red starts at 0 with step -24: 80 + 24 = 104, and the step turns to +24.
        PaletteCase{"zero_start", 6144, {{104, 88, 205}, {128, 97, 216}}}),
    [](const testing::TestParamInfo<PaletteCase>& info) { return std::string(info.param.name); });

TEST_F(ScreenBuild, PaletteSeedEqualToColourSeedContinuesAfterTheAngles) {
    useGraphics(4);
    buildFrom(golden);
    Snapshot continued = snapshot();
    // 94575043 is the colour state after the four angle draws from 1000000000.
    ScreenRecipe r = golden;
    r.paletteSeed = 94575043;
    buildFrom(r);
    expectSamePalette(continued, snapshot());
    expectSameParts(continued, snapshot());
}

TEST_F(ScreenBuild, ZeroAndNegativeSeedsDoNotReseed) {
    useGraphics(4);
    buildFrom(golden);
    Snapshot seededTwo = snapshot();

    // A seed of 0 peeks: the shape generator keeps the state it had, here 2.
    ScreenRecipe r = golden;
    r.shapeSeed = 0;
    shapeGenerator.state = 2;
    buildFrom(r);
    expectSameParts(seededTwo, snapshot());

    // A negative seed -10 becomes a draw with bound 10: from state 1 the state moves to 2880.
    ScreenRecipe fromState = golden;
    fromState.shapeSeed = 2880;
    buildFrom(fromState);
    Snapshot seeded2880 = snapshot();
    r.shapeSeed = -10;
    shapeGenerator.state = 1;
    buildFrom(r);
    expectSameParts(seeded2880, snapshot());
    EXPECT_EQ(screenModel.partCount, 2);
}

TEST_F(ScreenBuild, MostNegativeSeedsStayWithinTheModel) {
    useGraphics(3);
    const ScreenRecipe r = {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, -1.0f};
    buildFrom(r);
    const SPRITE& m = screenModel;
    EXPECT_GE(m.partCount, 2);
    EXPECT_LE(m.partCount, 5);
    for (const PaletteEntry& e : m.palette) {
        ASSERT_TRUE(e.red >= 40 && e.red <= 255 && e.green >= 40 && e.green <= 255 && e.blue >= 40 && e.blue <= 255);
    }
    EXPECT_EQ(selectBuffer(1).count, m.partCount);
}

TEST_F(ScreenBuild, BuildingTwiceFromOneRecipeIsIdentical) {
    useGraphics(16);
    platform::seedRandom(5);
    for (int attempt = 0; attempt < 20; ++attempt) {
        resetScreenState();
        buildScreen(127, false);
        const ScreenRecipe fresh = screenRecipe;
        Snapshot built = snapshot();
        buildFrom(fresh);
        Snapshot rebuilt = snapshot();
        expectSameParts(built, rebuilt);
        expectSamePalette(built, rebuilt);
        ASSERT_EQ(built.firstCount, rebuilt.firstCount);
        EXPECT_EQ(0, std::memcmp(built.first, rebuilt.first, sizeof(Item) * built.firstCount));
        for (const PaletteEntry& e : screenModel.palette) {
            ASSERT_TRUE(e.red >= 40 && e.red <= 255 && e.green >= 40 && e.green <= 255 && e.blue >= 40 &&
                        e.blue <= 255);
        }
    }
}

TEST_F(ScreenBuild, FreshBuildRecordsTheGeneratorStates) {
    useGraphics(4);
    platform::seedRandom(11);
    resetScreenState();
    buildScreen(127, false);
    const ScreenRecipe fresh = screenRecipe;
    for (int32_t seed : {fresh.shapeSeed, fresh.mutationSeed, fresh.colourSeed}) {
        EXPECT_GE(seed, 1);
        EXPECT_LE(seed, 1000000000);
    }
    // The palette seed is the colour state after the angle draws.
    SeededGenerator colour;
    colour.draw(-fresh.colourSeed);
    for (int i = 0; i < screenModel.partCount; ++i) colour.draw(359);
    EXPECT_EQ(fresh.paletteSeed, colour.state);
    EXPECT_EQ(screenModel.savedPartScale, 0.0);
    EXPECT_EQ(screenModel.itemTarget, 20000);

    // Automatic iteration off: the first generation is the target.
    iterationAutoOff = 1;
    resetScreenState();
    buildScreen(127, false);
    EXPECT_EQ(screenModel.itemTarget, screenModel.partCount);
}

TEST_F(ScreenBuild, NewColoursChangeOnlyThePaletteSeedAndPalette) {
    useGraphics(4);
    buildFrom(golden);
    Snapshot loaded = snapshot();
    screenModel.viewZoom = 3;
    screenModel.generationsDone = screenModel.generationsStarted = 2;
    savedIndex = 0;
    platform::seedRandom(3);
    resetScreenState();
    buildScreen(2, false);
    EXPECT_EQ(screenRecipe.shapeSeed, golden.shapeSeed);
    EXPECT_EQ(screenRecipe.mutationSeed, golden.mutationSeed);
    EXPECT_EQ(screenRecipe.colourSeed, golden.colourSeed);
    EXPECT_NE(screenRecipe.paletteSeed, golden.paletteSeed);
    expectSameParts(loaded, snapshot());
    EXPECT_EQ(screenModel.viewZoom, 3);
    EXPECT_EQ(screenModel.generationsDone, 2);
    EXPECT_EQ(screenModel.savedPartScale, 0.0);
    EXPECT_EQ(selectBuffer(1).count, 4);
    Snapshot recoloured = snapshot();

    // Saving now and loading back gives the old parts with the new palette.
    buildFrom(screenRecipe);
    expectSameParts(loaded, snapshot());
    expectSamePalette(recoloured, snapshot());
}

TEST_F(ScreenBuild, NewScreenNeverRepeatsOneOfTheLastThreeAmbientPieces) {
    useGraphics(2);
    platform::seedRandom(42);
    int history[3] = {recentAmbient[0], recentAmbient[1], recentAmbient[2]};
    for (int n = 0; n < 60; ++n) {
        resetScreenState();
        buildScreen(127, false);
        int c = recentAmbient[0];
        ASSERT_GE(c, 0);
        ASSERT_LT(c, 6);
        EXPECT_TRUE(c != history[0] && c != history[1] && c != history[2]) << "build " << n;
        history[2] = history[1];
        history[1] = history[0];
        history[0] = c;
        EXPECT_EQ(recentAmbient[1], history[1]);
        EXPECT_EQ(recentAmbient[2], history[2]);
    }
    // Loading, new colours and the iteration toggle leave the ambient choice alone.
    buildFrom(golden);
    buildScreen(2, false);
    buildScreen(0, false);
    EXPECT_EQ(recentAmbient[0], history[0]);
}

TEST_F(ScreenBuild, EveryBuildEmitsTheScreenEvent) {
    useGraphics(4);
    platform::enableEvents(true);
    testing::internal::CaptureStdout();
    buildFrom(golden);
    std::string out = testing::internal::GetCapturedStdout();
    platform::enableEvents(false);
    EXPECT_NE(out.find("\"event\":\"screen\",\"flags\":31,\"fromRecipe\":true,\"shapeSeed\":2,"
                       "\"mutationSeed\":11,\"colourSeed\":1000000000,\"paletteSeed\":1000000000,"
                       "\"itemTarget\":20000,\"partScale\":0.25}"),
              std::string::npos)
        << out;
}

TEST_F(ScreenBuild, ResetClearsTimesAndHoldersButNotTheScreen) {
    useGraphics(4);
    buildFrom(golden);
    Snapshot before = snapshot();
    orn::clock = 40;
    keyLockUntil = 50;
    infoUntil = 60;
    messageUntil = 70;
    screenModel.entries.add("record", std::malloc(16));
    screenModel.entries.add("empty", nullptr);
    resetScreenState();
    EXPECT_EQ(orn::clock, 0);
    EXPECT_EQ(keyLockUntil, 0);
    EXPECT_EQ(infoUntil, 0);
    EXPECT_EQ(messageUntil, 0);
    EXPECT_EQ(screenModel.entries.count(), 0);
    EXPECT_EQ(namedObjects.entries.count(), 0);
    EXPECT_EQ(registry->objectCounter, 0);
    EXPECT_EQ(registry->graphicCount(), 4);
    expectSameParts(before, snapshot());
    expectSamePalette(before, snapshot());
    EXPECT_EQ(selectBuffer(1).count, 4);
}

TEST_F(ScreenBuild, HolderDeleteAtOutsideTheEntriesChangesNothing) {
    screenModel.entries.add("a", std::malloc(8));
    screenModel.deleteAt(-1);
    screenModel.deleteAt(1);
    EXPECT_EQ(screenModel.entries.count(), 1);
    screenModel.deleteAt(0);
    EXPECT_EQ(screenModel.entries.count(), 0);
    screenModel.deleteAll();
    EXPECT_EQ(screenModel.entries.count(), 0);
}

}  // namespace
