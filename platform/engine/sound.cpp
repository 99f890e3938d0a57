// Sound effects through SDL2_mixer: effects decoded from resources, channels handed out as
// handles carrying a generation, so a handle of a channel reused since touches nothing.
#include <SDL.h>
#include <SDL_mixer.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/engine/backend.h"
#include "platform/engine/headless.h"
#include "platform/events.h"

namespace {

constexpr int initialChannels = 16;
constexpr int maxChannels = 255;  // the channel number takes the handle's low 8 bits

struct Effect {
    Mix_Chunk* chunk;  // decoded sound, null after the mixer closed
    std::string file;  // name given to loadEffect
};

struct Channel {
    uint32_t generation;  // bumped by every play on this channel
    Mix_Chunk* owned;     // pitch-shifted copy playing here, freed when the channel is reused
};

}  // namespace

struct SoundState {
    bool open;                     // the mixer is open
    bool dummy;                    // on SDL's dummy driver: silent
    std::vector<Effect> effects;   // effect handle - 1 indexes this
    std::vector<Channel> channels; // one per mixer channel
};

namespace {

SoundState* soundOf(EngineImpl* engine) {
    if (!engine->sound) engine->sound = new SoundState{};
    return engine->sound;
}

void quitAudio() {
    while (SDL_WasInit(SDL_INIT_AUDIO) != 0) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool openMixer() { return Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 1024) == 0; }

bool openDummy() {
    quitAudio();
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    bool ok = openMixer();
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    return ok;
}

uint32_t handleOf(int channel, uint32_t generation) {
    return (generation << 8) | static_cast<uint32_t>(channel + 1);
}

// The channel a handle names, or -1 when the handle is stale or was never given out.
int channelOf(const SoundState* sound, HCHANNEL handle) {
    if (!sound || !sound->open || handle == 0) return -1;
    int channel = static_cast<int>(handle & 0xFF) - 1;
    if (channel < 0 || channel >= static_cast<int>(sound->channels.size())) return -1;
    if ((sound->channels[static_cast<size_t>(channel)].generation & 0xFFFFFF) != (handle >> 8)) return -1;
    return channel;
}

// A copy of a 16-bit chunk resampled so that it plays at pitch times its speed; null when the
// mixer's format is not 16-bit or memory runs out.
Mix_Chunk* pitchedCopy(const Mix_Chunk* chunk, float pitch) {
    int frequency = 0, channels = 0;
    Uint16 format = 0;
    if (!Mix_QuerySpec(&frequency, &format, &channels) || channels <= 0) return nullptr;
    if (format != AUDIO_S16SYS) return nullptr;
    size_t frameBytes = sizeof(int16_t) * static_cast<size_t>(channels);
    size_t frames = chunk->alen / frameBytes;
    if (frames == 0) return nullptr;
    double outFramesD = std::floor(static_cast<double>(frames) / pitch);
    if (outFramesD < 1 || outFramesD * frameBytes > 0x7FFFFFFF) return nullptr;
    size_t outFrames = static_cast<size_t>(outFramesD);
    auto* out = static_cast<int16_t*>(SDL_malloc(outFrames * frameBytes));
    if (!out) return nullptr;
    const auto* in = reinterpret_cast<const int16_t*>(chunk->abuf);
    for (size_t i = 0; i < outFrames; ++i) {
        double at = static_cast<double>(i) * pitch;
        size_t a = static_cast<size_t>(at);
        if (a >= frames) a = frames - 1;
        size_t b = a + 1 < frames ? a + 1 : a;
        double f = at - static_cast<double>(a);
        for (int c = 0; c < channels; ++c) {
            double va = in[a * static_cast<size_t>(channels) + static_cast<size_t>(c)];
            double vb = in[b * static_cast<size_t>(channels) + static_cast<size_t>(c)];
            out[i * static_cast<size_t>(channels) + static_cast<size_t>(c)] =
                static_cast<int16_t>(std::lround(va + (vb - va) * f));
        }
    }
    Mix_Chunk* copy = Mix_QuickLoad_RAW(reinterpret_cast<Uint8*>(out), static_cast<Uint32>(outFrames * frameBytes));
    if (!copy) {
        SDL_free(out);
        return nullptr;
    }
    copy->allocated = 1;  // Mix_FreeChunk frees the samples too
    copy->volume = chunk->volume;
    return copy;
}

// A channel that plays nothing, made when all are busy; -1 when none can be had.
int freeChannel(SoundState* sound) {
    int count = static_cast<int>(sound->channels.size());
    for (int i = 0; i < count; ++i) {
        if (!Mix_Playing(i)) return i;
    }
    if (count >= maxChannels) return -1;
    int grown = count * 2 > maxChannels ? maxChannels : count * 2;
    Mix_AllocateChannels(grown);
    sound->channels.resize(static_cast<size_t>(grown), Channel{0, nullptr});
    return count;
}

}  // namespace

bool soundOpen(EngineImpl* engine, bool dummyOnly) {
    SoundState* sound = soundOf(engine);
    if (sound->open) return true;
    bool ok = false;
    sound->dummy = dummyOnly;
    if (!dummyOnly) ok = openMixer();
    if (!ok) {
        // No sound device (as on a build server): run silently on the dummy driver.
        Mix_CloseAudio();
        sound->dummy = true;
        ok = openDummy();
    }
    if (!ok) {
        fprintf(stderr, "Can't open audio: %s\n", Mix_GetError());
        quitAudio();
        return false;
    }
    Mix_Init(MIX_INIT_MP3);
    Mix_AllocateChannels(initialChannels);
    sound->channels.assign(initialChannels, Channel{0, nullptr});
    sound->open = true;
    return true;
}

void soundClose(EngineImpl* engine) {
    SoundState* sound = engine->sound;
    if (!sound || !sound->open) return;
    Mix_HaltChannel(-1);
    for (Channel& c : sound->channels) {
        if (c.owned) Mix_FreeChunk(c.owned);
        c.owned = nullptr;
    }
    // Effect handles stay numbered but have nothing to play once the mixer is gone.
    for (Effect& e : sound->effects) {
        if (e.chunk) Mix_FreeChunk(e.chunk);
        e.chunk = nullptr;
    }
    Mix_CloseAudio();
    Mix_Quit();
    quitAudio();
    sound->open = false;
}

void soundDestroy(EngineImpl* engine) {
    soundClose(engine);
    delete engine->sound;
    engine->sound = nullptr;
}

HEFFECT HGE::loadEffect(const char* file, uint32_t size) {
    if (!file || !impl->flags[HGE_USESOUND]) return 0;
    SoundState* sound = soundOf(impl);
    if (!sound->open && !soundOpen(impl, hgeHeadless())) return 0;
    // A size means the file is already in memory.
    void* data = nullptr;
    uint32_t length = size;
    if (size == 0) {
        data = loadResource(file, &length);
        if (!data) return 0;
    }
    SDL_RWops* rw = SDL_RWFromConstMem(data ? data : file, static_cast<int>(length));
    Mix_Chunk* chunk = rw ? Mix_LoadWAV_RW(rw, 1) : nullptr;
    if (data) freeResource(data);
    if (!chunk) return 0;
    sound->effects.push_back(Effect{chunk, size == 0 ? std::string(file) : std::string("(memory)")});
    return static_cast<HEFFECT>(sound->effects.size());
}

HCHANNEL HGE::playEffect(HEFFECT effect, int volume, int pan, float pitch, bool loop) {
    SoundState* sound = impl->sound;
    if (!sound || !sound->open || effect == 0 || effect > sound->effects.size()) return 0;
    const Effect& e = sound->effects[effect - 1];
    if (!e.chunk) return 0;
    if (volume < 0) volume = 0;
    if (volume > 100) volume = 100;
    if (pan < -100) pan = -100;
    if (pan > 100) pan = 100;
    if (hgeHeadless()) {
        char numbers[160];
        snprintf(numbers, sizeof numbers, ",\"volume\":%d,\"pan\":%d,\"pitch\":%.9g,\"loop\":%s", volume, pan,
                 static_cast<double>(pitch), loop ? "true" : "false");
        platform::emitEvent("sound", "\"file\":" + platform::jsonString(e.file) + numbers);
    }
    int channel = freeChannel(sound);
    if (channel < 0) return 0;
    Channel& c = sound->channels[static_cast<size_t>(channel)];
    Mix_Chunk* chunk = e.chunk;
    Mix_Chunk* owned = nullptr;
    if (std::isfinite(pitch) && pitch > 0.01f && pitch < 100.0f && pitch != 1.0f) {
        owned = pitchedCopy(e.chunk, pitch);
        if (owned) chunk = owned;
    }
    Mix_Volume(channel, volume * MIX_MAX_VOLUME / 100);
    Uint8 left = static_cast<Uint8>(pan <= 0 ? 255 : 255 * (100 - pan) / 100);
    Uint8 right = static_cast<Uint8>(pan >= 0 ? 255 : 255 * (100 + pan) / 100);
    Mix_SetPanning(channel, left, right);
    if (Mix_PlayChannel(channel, chunk, loop ? -1 : 0) < 0) {
        if (owned) Mix_FreeChunk(owned);
        return 0;
    }
    // The channel was free, so a copy that played on it before is no longer in use.
    if (c.owned) Mix_FreeChunk(c.owned);
    c.owned = owned;
    c.generation = (c.generation + 1) & 0xFFFFFF;
    if (c.generation == 0) c.generation = 1;
    return handleOf(channel, c.generation);
}

bool HGE::isPlaying(HCHANNEL channel) {
    int c = channelOf(impl->sound, channel);
    return c >= 0 && Mix_Playing(c) != 0;
}

void HGE::stopChannel(HCHANNEL channel) {
    int c = channelOf(impl->sound, channel);
    if (c >= 0) Mix_HaltChannel(c);
}
