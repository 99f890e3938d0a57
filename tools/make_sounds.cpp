// Synthesises the program's sounds as 16-bit stereo WAV at 44.1 kHz: a soft click, a short rising
// sweep and six ambient pads (detuned sine and triangle voices with slow envelopes, a gently
// moving low-pass filter, a small reverb for space, a fade in and out). Everything is computed
// from fixed seeds in plain arithmetic, so the same build gives the same samples.
// Usage: make_sounds NAME OUT.wav   (NAME: one, iter, a1 .. a6)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// --- Oscillators: a sine table read with a 32-bit phase accumulator. ---

constexpr int kTableBits = 12;
constexpr int kTableSize = 1 << kTableBits;
float sineTable[kTableSize + 1];

void buildSineTable() {
    for (int i = 0; i <= kTableSize; ++i) sineTable[i] = float(std::sin(2 * kPi * i / kTableSize));
}

// Sine of a phase given as a fraction of a turn in 32-bit fixed point, linearly interpolated.
inline float sine(uint32_t phase) {
    uint32_t index = phase >> (32 - kTableBits);
    float frac = float(phase & ((1u << (32 - kTableBits)) - 1)) * (1.0f / float(1u << (32 - kTableBits)));
    return sineTable[index] + (sineTable[index + 1] - sineTable[index]) * frac;
}

inline uint32_t phaseStep(double hz) { return uint32_t(std::llround(hz / kRate * 4294967296.0)); }

// A soft triangle: its first three odd harmonics only, so it never sounds buzzy.
inline float softTriangle(uint32_t phase) {
    return (sine(phase) - sine(phase * 3) * (1.0f / 9) + sine(phase * 5) * (1.0f / 25)) * 0.94f;
}

double midiToHz(double note) { return 440.0 * std::pow(2.0, (note - 69) / 12); }

// Small reproducible random source (xorshift), so nothing depends on the C library's generator.
struct Random {
    uint32_t state;
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    double uniform(double lo, double hi) { return lo + (hi - lo) * (next() >> 8) * (1.0 / 16777216.0); }
};

// Stereo buffer of float samples.
struct Stereo {
    std::vector<float> left, right;
    explicit Stereo(double seconds) : left(size_t(seconds * kRate)), right(size_t(seconds * kRate)) {}
    size_t frames() const { return left.size(); }
};

// Raised-cosine rise from 0 to 1 over [start, start + length].
double rise(double t, double start, double length) {
    if (t <= start) return 0;
    if (t >= start + length) return 1;
    return 0.5 - 0.5 * std::cos(kPi * (t - start) / length);
}

// --- Ambient pads ---

// One chord of a pad: its notes sound from `start` for `length` seconds with slow swells.
struct Chord {
    double start, length, attack, release;
    std::vector<double> notes;  // MIDI note numbers
};

struct PadStyle {
    uint32_t seed;
    double seconds;
    double detuneCents;    // spread of the three voices of each note
    double triangleShare;  // 0 pure sines, 1 soft triangles (low notes lean to triangle)
    double cutoffLow, cutoffHigh, cutoffRate;  // low-pass sweep in Hz and its rate in Hz
    double reverbMix;
    std::vector<Chord> chords;
};

// Adds one note of three slightly detuned voices, spread across the stereo field.
void addNote(Stereo& out, const Chord& chord, double note, const PadStyle& style, Random& random) {
    const double hz = midiToHz(note);
    // Higher notes softer, so the chord sits on its low end.
    const double level = 0.16 / std::sqrt(std::max(hz, 60.0) / 110.0);
    const double triangle = std::clamp(style.triangleShare * (1.5 - (note - 36) / 36), 0.0, 1.0);
    const size_t first = size_t(chord.start * kRate);
    const size_t last = std::min(out.frames(), size_t((chord.start + chord.length) * kRate));
    for (int voice = 0; voice < 3; ++voice) {
        const double cents = (voice - 1) * style.detuneCents + random.uniform(-1.5, 1.5);
        const double pan = (voice - 1) * 0.55 + random.uniform(-0.2, 0.2);
        const float gainL = float(level * std::cos((pan + 1) * kPi / 4));
        const float gainR = float(level * std::sin((pan + 1) * kPi / 4));
        uint32_t phase = random.next();
        const uint32_t step = phaseStep(hz * std::pow(2.0, cents / 1200));
        // A slow swell of its own for every voice keeps the pad breathing.
        uint32_t swellPhase = random.next();
        const uint32_t swellStep = phaseStep(random.uniform(0.04, 0.17));
        const float swellDepth = float(random.uniform(0.15, 0.35));
        for (size_t i = first; i < last; ++i) {
            const double t = double(i - first) / kRate;
            const double envelope = rise(t, 0, chord.attack) * (1 - rise(t, chord.length - chord.release, chord.release));
            const float wave = triangle > 0 ? float(triangle) * softTriangle(phase) + float(1 - triangle) * sine(phase)
                                            : sine(phase);
            const float swell = 1 - swellDepth * (0.5f + 0.5f * sine(swellPhase));
            const float s = wave * swell * float(envelope);
            out.left[i] += s * gainL;
            out.right[i] += s * gainR;
            phase += step;
            swellPhase += swellStep;
        }
    }
}

// A small Schroeder reverb: parallel damped combs then series all-passes. Both channels share
// the comb lengths, so a held low note rings the same on both sides; the all-passes differ a
// little on the right for width.
struct Reverb {
    struct Comb {
        std::vector<float> line;
        size_t pos = 0;
        float store = 0;
    };
    struct AllPass {
        std::vector<float> line;
        size_t pos = 0;
    };
    Comb combs[2][6];
    AllPass passes[2][2];
    Reverb() {
        const int combLengths[6] = {1557, 1617, 1491, 1422, 1277, 1356};
        const int passLengths[2] = {556, 441};
        for (int c = 0; c < 2; ++c) {
            for (int k = 0; k < 6; ++k) combs[c][k].line.assign(size_t(combLengths[k]), 0.0f);
            for (int k = 0; k < 2; ++k) passes[c][k].line.assign(size_t(passLengths[k] + 23 * c), 0.0f);
        }
    }
    float process(int channel, float input) {
        const float feedback = 0.8f, damp = 0.35f;
        float sum = 0;
        for (Comb& comb : combs[channel]) {
            float out = comb.line[comb.pos];
            comb.store = out * (1 - damp) + comb.store * damp;
            comb.line[comb.pos] = input + comb.store * feedback;
            comb.pos = (comb.pos + 1) % comb.line.size();
            sum += out;
        }
        for (AllPass& pass : passes[channel]) {
            float delayed = pass.line[pass.pos];
            float out = delayed - sum;
            pass.line[pass.pos] = sum + delayed * 0.5f;
            pass.pos = (pass.pos + 1) % pass.line.size();
            sum = out;
        }
        return sum * (1.0f / 6);
    }
};

// Low-pass with a slowly moving cutoff, then reverb, then the fade in and out of the piece.
void finishPad(Stereo& out, const PadStyle& style) {
    Reverb reverb;
    float lowL = 0, lowR = 0;
    uint32_t sweepPhase = 3u << 30;  // start at the bottom of the sweep
    const uint32_t sweepStep = phaseStep(style.cutoffRate);
    const double fadeIn = 3.0, fadeOut = 6.0;
    for (size_t i = 0; i < out.frames(); ++i) {
        const double sweep = 0.5 + 0.5 * sine(sweepPhase);
        const double cutoff = style.cutoffLow * std::pow(style.cutoffHigh / style.cutoffLow, sweep);
        const float k = float(1 - std::exp(-2 * kPi * cutoff / kRate));
        lowL += (out.left[i] - lowL) * k;
        lowR += (out.right[i] - lowR) * k;
        const float wet = float(style.reverbMix);
        // The reverb hears the middle of the mix on both sides, so it cannot tip the balance.
        const float middle = (lowL + lowR) * 0.5f;
        float l = lowL * (1 - wet) + reverb.process(0, middle) * wet * 2.2f;
        float r = lowR * (1 - wet) + reverb.process(1, middle) * wet * 2.2f;
        const double t = double(i) / kRate;
        const float fade = float(rise(t, 0, fadeIn) * (1 - rise(t, style.seconds - fadeOut, fadeOut - 0.05)));
        out.left[i] = l * fade;
        out.right[i] = r * fade;
        sweepPhase += sweepStep;
    }
}

Stereo pad(const PadStyle& style) {
    Stereo out(style.seconds);
    Random random{style.seed};
    for (const Chord& chord : style.chords)
        for (double note : chord.notes) addNote(out, chord, note, style, random);
    finishPad(out, style);
    return out;
}

// Adds soft bell tones: a sine with a quieter inharmonic partial, a short swell and a long decay.
void addBells(Stereo& out, const std::vector<double>& notes, double firstTime, double spacing, Random& random) {
    double t = firstTime;
    for (double note : notes) {
        const double hz = midiToHz(note);
        const double pan = random.uniform(-0.7, 0.7);
        const float gainL = float(0.06 * std::cos((pan + 1) * kPi / 4));
        const float gainR = float(0.06 * std::sin((pan + 1) * kPi / 4));
        uint32_t phase = 0, partial = 0;
        const uint32_t step = phaseStep(hz), partialStep = phaseStep(hz * 2.76);
        const size_t first = size_t(t * kRate);
        const size_t last = std::min(out.frames(), first + size_t(7.0 * kRate));
        for (size_t i = first; i < last; ++i) {
            const double u = double(i - first) / kRate;
            const double envelope = rise(u, 0, 0.35) * std::exp(-u / 1.8);
            const float s = float(envelope) * (sine(phase) + 0.25f * float(std::exp(-u / 0.6)) * sine(partial));
            out.left[i] += s * gainL;
            out.right[i] += s * gainR;
            phase += step;
            partial += partialStep;
        }
        t += spacing * random.uniform(0.8, 1.25);
    }
}

Stereo ambient(int which) {
    switch (which) {
        case 1:  // C major nine drifting to F lydian over C
            return pad({0xA1u, 28, 7, 0.5, 500, 2200, 0.045, 0.3,
                        {{0, 17, 5, 6, {48, 55, 64, 71, 74}}, {12, 16, 5, 6, {48, 53, 64, 69, 72}}}});
        case 2:  // A minor over a held low A, darker filter
            return pad({0xA2u, 32, 9, 0.7, 350, 1500, 0.035, 0.35,
                        {{0, 32, 6, 8, {33, 45}},
                         {2, 16, 6, 6, {57, 60, 64, 71}},
                         {14, 18, 6, 7, {55, 60, 62, 67}}}});
        case 3: {  // D suspended, with bells above
            Stereo out(24);
            Random random{0xA3u};
            PadStyle style{0xA3u, 24, 6, 0.4, 600, 2600, 0.06, 0.3, {{0, 24, 6, 7, {38, 50, 57, 62, 64, 69}}}};
            for (const Chord& chord : style.chords)
                for (double note : chord.notes) addNote(out, chord, note, style, random);
            addBells(out, {81, 76, 74, 78, 81, 86, 76}, 3.5, 2.6, random);
            finishPad(out, style);
            return out;
        }
        case 4:  // F lydian moving to G six-nine, bright and slow
            return pad({0xA4u, 30, 8, 0.45, 450, 2400, 0.05, 0.3,
                        {{0, 17, 6, 6, {41, 48, 57, 64, 71}}, {13, 17, 5, 7, {43, 50, 59, 64, 69}}}});
        case 5:  // E minor seven, C major seven, D six: a slow three-chord turn
            return pad({0xA5u, 36, 10, 0.55, 400, 1900, 0.04, 0.32,
                        {{0, 14, 5, 5, {40, 52, 55, 59, 62}},
                         {10, 14, 5, 5, {36, 48, 55, 59, 64}},
                         {20, 16, 5, 7, {38, 50, 54, 57, 62}}}});
        case 6: {  // A low open-fifth drone with a pentatonic bell melody
            Stereo out(26);
            Random random{0xA6u};
            PadStyle style{0xA6u, 26, 5, 0.9, 300, 1300, 0.03, 0.38, {{0, 26, 7, 8, {38, 45, 50, 57}}}};
            for (const Chord& chord : style.chords)
                for (double note : chord.notes) addNote(out, chord, note, style, random);
            addBells(out, {69, 74, 76, 81, 78, 76, 74, 69}, 4.0, 2.2, random);
            finishPad(out, style);
            return out;
        }
        default:
            return Stereo(0);
    }
}

// --- Short effects ---

// A soft click: a quick high tick over a short rounder body, with no hard edge at the start.
Stereo click() {
    Stereo out(0.12);
    Random random{0x0C11u};
    uint32_t high = 0, body = 0;
    const uint32_t highStep = phaseStep(2100), bodyStep = phaseStep(640);
    float noiseLow = 0;
    for (size_t i = 0; i < out.frames(); ++i) {
        const double t = double(i) / kRate;
        const double attack = rise(t, 0, 0.0015);
        float noise = float(random.uniform(-1, 1));
        noiseLow += (noise - noiseLow) * 0.25f;
        const float s = float(attack) * (0.5f * sine(high) * float(std::exp(-t / 0.008)) +
                                         0.7f * sine(body) * float(std::exp(-t / 0.018)) +
                                         0.3f * noiseLow * float(std::exp(-t / 0.003)));
        out.left[i] = s;
        out.right[i] = s;
        high += highStep;
        body += bodyStep;
    }
    return out;
}

// A short rising sweep: an exponential glide of two octaves with a soft octave above, drifting
// from left to right, with one faint echo.
Stereo sweep() {
    Stereo out(0.6);
    const double length = 0.42, from = 330, to = 1320;
    double phase = 0;
    for (size_t i = 0; i < out.frames(); ++i) {
        const double t = double(i) / kRate;
        if (t >= length) break;
        const double hz = from * std::pow(to / from, t / length);
        phase += hz / kRate;
        phase -= std::floor(phase);
        const uint32_t p = uint32_t(phase * 4294967296.0);
        const double envelope = rise(t, 0, 0.03) * (1 - rise(t, 0.12, length - 0.12));
        const float s = float(envelope) * (sine(p) + 0.3f * sine(p * 2));
        const double pan = -0.3 + 0.6 * t / length;
        out.left[i] += s * float(std::cos((pan + 1) * kPi / 4));
        out.right[i] += s * float(std::sin((pan + 1) * kPi / 4));
    }
    const size_t echo = size_t(0.11 * kRate);
    for (size_t i = out.frames(); i-- > echo;) {
        out.left[i] += 0.25f * out.right[i - echo];
        out.right[i] += 0.25f * out.left[i - echo];
    }
    return out;
}

// Scales the sound so its loudest sample reaches `peak` (a fraction of full scale).
void normalise(Stereo& sound, double peak) {
    float loudest = 0;
    for (size_t i = 0; i < sound.frames(); ++i)
        loudest = std::max({loudest, std::fabs(sound.left[i]), std::fabs(sound.right[i])});
    if (loudest <= 0) return;
    const float gain = float(peak / loudest);
    for (size_t i = 0; i < sound.frames(); ++i) {
        sound.left[i] *= gain;
        sound.right[i] *= gain;
    }
}

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

bool writeWav(const char* path, const Stereo& sound) {
    const uint32_t dataBytes = uint32_t(sound.frames() * 4);
    std::vector<uint8_t> bytes;
    bytes.reserve(44 + dataBytes);
    bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
    put32(bytes, 36 + dataBytes);
    bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(bytes, 16);
    put16(bytes, 1);  // PCM
    put16(bytes, 2);  // channels
    put32(bytes, kRate);
    put32(bytes, kRate * 4);
    put16(bytes, 4);   // bytes per frame
    put16(bytes, 16);  // bits per sample
    bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
    put32(bytes, dataBytes);
    auto quantise = [](float v) {
        return uint32_t(uint16_t(int16_t(std::clamp(std::lround(double(v) * 32767.0), -32767L, 32767L))));
    };
    for (size_t i = 0; i < sound.frames(); ++i) {
        put16(bytes, quantise(sound.left[i]));
        put16(bytes, quantise(sound.right[i]));
    }
    FILE* file = std::fopen(path, "wb");
    bool ok = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file && std::fclose(file) != 0) ok = false;
    if (!ok) std::remove(path);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_sounds NAME OUT.wav   (NAME: one, iter, a1 .. a6)\n");
        return 2;
    }
    buildSineTable();
    const std::string name = argv[1];
    Stereo sound(0);
    if (name == "one") {
        sound = click();
        normalise(sound, 0.2);  // about -14 dBFS: heard on every key press, so kept quiet
    } else if (name == "iter") {
        sound = sweep();
        normalise(sound, 0.3);  // about -10 dBFS
    } else if (name.size() == 2 && name[0] == 'a' && name[1] >= '1' && name[1] <= '6') {
        sound = ambient(name[1] - '0');
        normalise(sound, 0.5);  // about -6 dBFS
    } else {
        std::fprintf(stderr, "make_sounds: no sound named %s\n", argv[1]);
        return 2;
    }
    if (!writeWav(argv[2], sound)) {
        std::fprintf(stderr, "make_sounds: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
