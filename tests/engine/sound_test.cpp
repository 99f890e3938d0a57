// Sound effects: decoding WAV and real MP3 from packs and disk, refusing missing and broken
// files, channels that play, stop, loop and never answer for a stale handle, and the events
// of a headless run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/engine/headless.h"
#include "platform/engine/hge.h"
#include "platform/events.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

struct TempFolder {
    fs::path path;
    TempFolder() {
        char name[] = "/tmp/orn_sound_XXXXXX";
        path = mkdtemp(name);
    }
    ~TempFolder() { fs::remove_all(path); }
};

void put16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}
void put32(std::string& out, uint32_t v) {
    put16(out, static_cast<uint16_t>(v & 0xFFFF));
    put16(out, static_cast<uint16_t>(v >> 16));
}

// A mono 16-bit 22050 Hz sine tone of the given length as a WAV file.
void writeTone(const fs::path& path, double seconds) {
    const uint32_t rate = 22050;
    const uint32_t samples = static_cast<uint32_t>(seconds * rate);
    std::string wav = "RIFF";
    put32(wav, 36 + samples * 2);
    wav += "WAVEfmt ";
    put32(wav, 16);
    put16(wav, 1);
    put16(wav, 1);
    put32(wav, rate);
    put32(wav, rate * 2);
    put16(wav, 2);
    put16(wav, 16);
    wav += "data";
    put32(wav, samples * 2);
    for (uint32_t i = 0; i < samples; ++i) {
        put16(wav, static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(i * 2 * M_PI * 440 / rate))));
    }
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << wav;
}

class SoundTest : public testing::Test {
protected:
    void SetUp() override {
        fs::path program = folder.path;
        writeTone(program / "sound" / "short.wav", 0.05);
        writeTone(program / "sound" / "long.wav", 3.0);
        std::ofstream(program / "sound" / "broken.mp3", std::ios::binary) << std::string(4000, '\x55');
        std::ofstream(program / "sound" / "cut.wav", std::ios::binary) << "RIFF\x24\0\0\0WAVEfmt ";
        platform::setProgramDirectory(program.string());
    }
    HGE* openWindowEngine() {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        HGE* hge = hgeCreate(HGE_VERSION);
        hge->setNumber(HGE_SCREENWIDTH, 32);
        hge->setNumber(HGE_SCREENHEIGHT, 32);
        hge->setFlag(HGE_USESOUND, true);
        EXPECT_TRUE(hge->initiate()) << hge->errorMessage();
        return hge;
    }
    TempFolder folder;
};

TEST_F(SoundTest, MissingAndBrokenFilesGiveNoEffect) {
    HGE* hge = openWindowEngine();
    EXPECT_EQ(hge->loadEffect("sound\\missing.mp3"), 0u);
    EXPECT_EQ(hge->loadEffect("sound\\broken.mp3"), 0u);
    EXPECT_EQ(hge->loadEffect("sound\\cut.wav"), 0u);
    EXPECT_EQ(hge->playEffect(0), 0u);
    EXPECT_EQ(hge->playEffect(77), 0u);
    EXPECT_NE(hge->loadEffect("sound\\short.wav"), 0u);
    hge->release();
}

TEST_F(SoundTest, APlayedEffectPlaysUntilStopped) {
    HGE* hge = openWindowEngine();
    HEFFECT effect = hge->loadEffect("sound\\long.wav");
    ASSERT_NE(effect, 0u);
    HCHANNEL channel = hge->playEffect(effect, 80, -50, 1.0f, false);
    ASSERT_NE(channel, 0u);
    EXPECT_TRUE(hge->isPlaying(channel));
    hge->stopChannel(channel);
    EXPECT_FALSE(hge->isPlaying(channel));
    EXPECT_FALSE(hge->isPlaying(0));
    hge->stopChannel(0);
    hge->release();
}

TEST_F(SoundTest, AStaleHandleNeitherStopsNorReportsTheNewSound) {
    HGE* hge = openWindowEngine();
    HEFFECT effect = hge->loadEffect("sound\\long.wav");
    ASSERT_NE(effect, 0u);
    HCHANNEL first = hge->playEffect(effect);
    hge->stopChannel(first);
    // The freed channel is reused for the next sound.
    HCHANNEL second = hge->playEffect(effect);
    ASSERT_NE(second, 0u);
    EXPECT_NE(second, first);
    EXPECT_EQ(second & 0xFF, first & 0xFF);
    EXPECT_FALSE(hge->isPlaying(first));
    hge->stopChannel(first);
    EXPECT_TRUE(hge->isPlaying(second));
    // Many sounds at once all get channels of their own.
    std::vector<HCHANNEL> many;
    for (int i = 0; i < 40; ++i) many.push_back(hge->playEffect(effect, 10));
    for (HCHANNEL c : many) EXPECT_TRUE(hge->isPlaying(c));
    EXPECT_TRUE(hge->isPlaying(second));
    hge->release();
}

TEST_F(SoundTest, ShortSoundsEndUnlessLooped) {
    HGE* hge = openWindowEngine();
    HEFFECT effect = hge->loadEffect("sound\\short.wav");
    ASSERT_NE(effect, 0u);
    HCHANNEL once = hge->playEffect(effect, 50, 0, 1.0f, false);
    HCHANNEL looped = hge->playEffect(effect, 50, 0, 1.0f, true);
    HCHANNEL pitched = hge->playEffect(effect, 50, 0, 0.5f, true);
    ASSERT_NE(once, 0u);
    ASSERT_NE(looped, 0u);
    ASSERT_NE(pitched, 0u);
    // The dummy device consumes sound in real time: 50 ms of sound is long over after a second.
    usleep(1000000);
    EXPECT_FALSE(hge->isPlaying(once));
    EXPECT_TRUE(hge->isPlaying(looped));
    EXPECT_TRUE(hge->isPlaying(pitched));
    hge->release();
}

TEST_F(SoundTest, RealMp3FromAPackDecodes) {
    fs::path data = folder.path / "data";
    writeTone(folder.path / "tone.wav", 0.5);
    fs::create_directories(data / "sound");
    std::string encode = "lame --quiet '" + (folder.path / "tone.wav").string() + "' '" +
                         (data / "sound" / "one.mp3").string() + "'";
    ASSERT_EQ(system(encode.c_str()), 0);
    std::string pack = "cd '" + data.string() + "' && cmake -E tar cf ../Sound.paq --format=zip .";
    ASSERT_EQ(system(pack.c_str()), 0);
    HGE* hge = openWindowEngine();
    ASSERT_TRUE(hge->attachPack("Sound.paq"));
    HEFFECT effect = hge->loadEffect("sound\\one.mp3");
    ASSERT_NE(effect, 0u);
    HCHANNEL channel = hge->playEffect(effect, 70);
    EXPECT_TRUE(hge->isPlaying(channel));
    hge->release();
}

TEST_F(SoundTest, HeadlessPlaysAreReportedAsEvents) {
    hgeUseHeadless(true);
    platform::enableEvents(true);
    HGE* hge = hgeCreate(HGE_VERSION);
    ASSERT_TRUE(hge->initiate());
    EXPECT_EQ(hge->loadEffect("sound\\broken.mp3"), 0u);  // decoded all the same
    HEFFECT effect = hge->loadEffect("sound\\short.wav");
    ASSERT_NE(effect, 0u);
    testing::internal::CaptureStdout();
    HCHANNEL a = hge->playEffect(effect, 70, 0, 1.0f, false);
    HCHANNEL b = hge->playEffect(effect, 150, -300, 1.5f, true);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(a, 0u);
    EXPECT_NE(b, 0u);
    EXPECT_EQ(out,
              "{\"frame\":0,\"event\":\"sound\",\"file\":\"sound\\\\short.wav\",\"volume\":70,\"pan\":0,"
              "\"pitch\":1,\"loop\":false}\n"
              "{\"frame\":0,\"event\":\"sound\",\"file\":\"sound\\\\short.wav\",\"volume\":100,\"pan\":-100,"
              "\"pitch\":1.5,\"loop\":true}\n");
    hge->release();
}

TEST_F(SoundTest, WithoutASoundDeviceTheProgramRunsSilently) {
    // No driver named: the real device when there is one, else the silent fallback.
    unsetenv("SDL_AUDIODRIVER");
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    HGE* hge = hgeCreate(HGE_VERSION);
    hge->setNumber(HGE_SCREENWIDTH, 32);
    hge->setNumber(HGE_SCREENHEIGHT, 32);
    ASSERT_TRUE(hge->initiate()) << hge->errorMessage();
    HEFFECT effect = hge->loadEffect("sound\\long.wav");
    ASSERT_NE(effect, 0u);
    HCHANNEL channel = hge->playEffect(effect, 1);
    EXPECT_TRUE(hge->isPlaying(channel));
    hge->shutdown();
    EXPECT_FALSE(hge->isPlaying(channel));
    EXPECT_EQ(hge->playEffect(effect), 0u);  // nothing plays once the engine is shut down
    hge->release();
}

TEST_F(SoundTest, WithoutSoundStateNoEffectLoads) {
    HGE* hge = openWindowEngine();
    hge->setFlag(HGE_USESOUND, false);
    EXPECT_EQ(hge->loadEffect("sound\\short.wav"), 0u);
    hge->release();
}

}  // namespace
