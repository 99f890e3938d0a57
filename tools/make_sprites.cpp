// Generates the sprite images of "pix": white and grey shapes with soft alpha, drawn from distance
// functions and supersampled, made to look good tinted, tiny and layered.
// Usage: make_sprites OUTPUT_FOLDER NAME... (each NAME, e.g. "01_glow", becomes NAME.png; any
// other .png in the folder is removed, because the program uses every image it finds there).
#include "png_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// What a shape gives at one point: coverage and grey level (1 white).
struct Shade {
    double alpha;
    double grey;
};

struct Vec {
    double x, y;
};

double clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

double smoothstep(double e0, double e1, double x) {
    double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// Coverage of a signed distance (negative inside) with an edge `soft` wide on either side.
double fill(double d, double soft) { return 1 - smoothstep(-soft, soft, d); }

double gauss(double d, double width) { return std::exp(-(d / width) * (d / width)); }

double length(Vec p) { return std::sqrt(p.x * p.x + p.y * p.y); }

double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }

// Floored modulo, so negative angles fold the same way as positive ones.
double fmodFloor(double x, double y) { return x - y * std::floor(x / y); }

Vec rotate(Vec p, double angle) {
    double c = std::cos(angle), s = std::sin(angle);
    return {c * p.x - s * p.y, s * p.x + c * p.y};
}

// Distance to the segment a-b.
double segment(Vec p, Vec a, Vec b) {
    Vec pa{p.x - a.x, p.y - a.y}, ba{b.x - a.x, b.y - a.y};
    double h = clamp01(dot(pa, ba) / dot(ba, ba));
    return length({pa.x - ba.x * h, pa.y - ba.y * h});
}

// Signed distance to a star of n points with outer radius r; m in [2, n] sets how deep the
// notches are (2 gives the regular polygon). One point faces up.
double star(Vec p, double r, int n, double m) {
    double an = kPi / n, en = kPi / m;
    Vec acs{std::cos(an), std::sin(an)}, ecs{std::cos(en), std::sin(en)};
    double bn = fmodFloor(std::atan2(p.x, p.y), 2 * an) - an;
    double len = length(p);
    Vec q{len * std::cos(bn), std::fabs(len * std::sin(bn))};
    q.x -= r * acs.x;
    q.y -= r * acs.y;
    double h = std::clamp(-dot(q, ecs), 0.0, r * acs.y / ecs.y);
    q.x += ecs.x * h;
    q.y += ecs.y * h;
    return length(q) * (q.x < 0 ? -1 : 1);
}

// Signed distance to the pointed oval made of two circles of radius r whose centres lie d
// either side of the middle; its points are on the vertical axis.
double vesica(Vec p, double r, double d) {
    p = {std::fabs(p.x), std::fabs(p.y)};
    double b = std::sqrt(r * r - d * d);
    if ((p.y - b) * d > p.x * b) return length({p.x, p.y - b});
    return length({p.x + d, p.y}) - r;
}

// Signed distance to a regular hexagon of inner radius r with flat top and bottom.
double hexagon(Vec p, double r) {
    const double kx = -0.866025404, ky = 0.5, kz = 0.577350269;
    p = {std::fabs(p.x), std::fabs(p.y)};
    double m = 2 * std::min(kx * p.x + ky * p.y, 0.0);
    p.x -= m * kx;
    p.y -= m * ky;
    p.x -= std::clamp(p.x, -kz * r, kz * r);
    p.y -= r;
    return length(p) * (p.y < 0 ? -1 : 1);
}

// A round-ended cone from a circle of radius r1 at the origin to one of r2 at (0, h).
double unevenCapsule(Vec p, double r1, double r2, double h) {
    p.x = std::fabs(p.x);
    double b = (r1 - r2) / h, a = std::sqrt(1 - b * b);
    double k = dot(p, {-b, a});
    if (k < 0) return length(p) - r1;
    if (k > a * h) return length({p.x, p.y - h}) - r2;
    return dot(p, {a, b}) - r1;
}

// --- The shapes. Coordinates run from -1 to 1 across the image, y up. ---

Shade glow(Vec p) {
    double r = length(p);
    double a = 0.72 * gauss(r, 0.42) + 0.28 * gauss(r, 0.13);
    return {a * smoothstep(1.0, 0.8, r), 1};
}

Shade petal(Vec p) {
    // An egg-shaped pointed oval: broad towards the top, pointed at the bottom.
    Vec q{p.x / (0.8 + 0.22 * (p.y + 1) * 0.5), p.y};
    double d = vesica(q, 1.05, 0.62);
    double a = fill(d, 0.025) * (0.78 + 0.22 * smoothstep(-0.9, 0.5, p.y));
    double grey = 0.82 + 0.18 * smoothstep(-0.8, 0.6, p.y) - 0.1 * gauss(p.x, 0.04) * smoothstep(0.5, -0.6, p.y);
    return {a, grey};
}

Shade ring(Vec p) {
    double r = length(p);
    double a = gauss(r - 0.7, 0.07) + 0.22 * gauss(r - 0.7, 0.2);
    return {std::min(a, 1.0) * smoothstep(1.0, 0.9, r), 1};
}

Shade leaf(Vec p) {
    // A pointed oval bent a little to one side, with a darker midrib and side veins.
    double bend = 0.12 * (1 - p.y * p.y);
    Vec q{p.x - bend, p.y};
    double d = vesica({q.x * 1.35, q.y}, 1.12, 0.78);
    double a = fill(d, 0.022) * 0.94;
    double mid = gauss(q.x, 0.018) * smoothstep(0.8, 0.6, q.y);
    double side = std::fabs(q.x);
    double veinPhase = (q.y - 0.55 * side) * 7.0;
    double vein = std::pow(0.5 + 0.5 * std::cos(2 * kPi * veinPhase), 24) * smoothstep(0.02, 0.08, side);
    double grey = 0.95 - 0.3 * mid - 0.12 * vein;
    return {a, grey};
}

Shade star4(Vec p) {
    // A sparkle: two long thin rays crossing, a bright core and a faint halo.
    auto ray = [](double along, double across) {
        double u = std::fabs(along);
        if (u >= 1) return 0.0;
        double width = 0.004 + 0.05 * (1 - u) * (1 - u);
        return gauss(across, width) * std::pow(1 - u, 1.5);
    };
    double r = length(p);
    double a = ray(p.x / 0.95, p.y) + ray(p.y / 0.95, p.x) + 0.9 * gauss(r, 0.11) + 0.25 * gauss(r, 0.3);
    return {std::min(a, 1.0) * smoothstep(1.0, 0.93, std::max(std::fabs(p.x), std::fabs(p.y))), 1};
}

Shade star5(Vec p) {
    double d = star(p, 0.9, 5, 3.2);
    double a = fill(d, 0.02) + 0.3 * std::exp(-std::max(d, 0.0) / 0.06) * (d > 0);
    double r = length(p);
    return {std::min(a, 1.0) * smoothstep(1.0, 0.9, r), 0.86 + 0.14 * smoothstep(0.6, 0.0, r)};
}

Shade spiral(Vec p) {
    // An Archimedean spiral of about three turns whose line thickens outwards.
    double r = length(p);
    double turn = fmodFloor(std::atan2(p.y, p.x), 2 * kPi) / (2 * kPi);
    const double spacing = 0.27;
    double k = std::floor((r / spacing - turn) + 0.5);
    k = std::max(k, 0.0);
    double armR = spacing * (turn + k);
    double d = std::fabs(r - armR);
    double width = 0.014 + 0.05 * r;
    double a = gauss(d, width) * smoothstep(0.93, 0.78, armR) + 0.6 * gauss(r, 0.07);
    return {std::min(a, 1.0) * smoothstep(1.0, 0.92, r), 1};
}

Shade crescent(Vec p) {
    double outer = length(p) - 0.82;
    double inner = length({p.x - 0.34, p.y - 0.16}) - 0.7;
    double d = std::max(outer, -inner);
    double a = fill(d, 0.02) + 0.25 * std::exp(-std::max(d, 0.0) / 0.05) * (d > 0);
    double grey = 0.8 + 0.2 * smoothstep(0.0, -0.2, inner);
    return {std::min(a, 1.0) * smoothstep(1.0, 0.92, length(p)), grey};
}

Shade flake(Vec p) {
    // Six arms with two pairs of branches each: fold into one twelfth of the circle.
    double r = length(p);
    double angle = fmodFloor(std::atan2(p.y, p.x), kPi / 3);
    if (angle > kPi / 6) angle = kPi / 3 - angle;
    Vec q{r * std::cos(angle), r * std::sin(angle)};
    const double c60 = 0.5, s60 = 0.8660254;
    double d = segment(q, {0, 0}, {0.86, 0}) - 0.028;
    d = std::min(d, segment(q, {0.34, 0}, {0.34 + 0.26 * c60, 0.26 * s60}) - 0.022);
    d = std::min(d, segment(q, {0.58, 0}, {0.58 + 0.17 * c60, 0.17 * s60}) - 0.018);
    d = std::min(d, hexagon(rotate(p, kPi / 6), 0.13));
    double a = fill(d, 0.012) + 0.3 * std::exp(-std::max(d, 0.0) / 0.035) * (d > 0);
    return {std::min(a, 1.0) * smoothstep(1.0, 0.92, r), 1};
}

Shade feather(Vec p) {
    // A curved shaft with a soft striped vane, narrower on the left, a little ragged.
    double shaftX = 0.06 * (p.y * p.y) - 0.03;
    double dx = p.x - shaftX;
    double t = (p.y + 0.72) / 1.62;  // 0 at the vane's foot, 1 at its tip
    double a = 0;
    if (t > 0 && t < 1) {
        double side = dx < 0 ? 0.78 : 1.0;
        double halfWidth = 0.36 * side * std::pow(std::sin(kPi * std::pow(t, 0.8)), 0.7);
        double rag = 1 - 0.12 * std::pow(0.5 + 0.5 * std::sin(23 * t + (dx < 0 ? 1.7 : 0)), 6);
        halfWidth *= rag;
        double u = std::fabs(dx) / std::max(halfWidth, 1e-6);
        double mask = 1 - smoothstep(0.82, 1.0, u);
        double barbs = 0.5 + 0.5 * std::cos(2 * kPi * (p.y - 0.75 * std::fabs(dx)) * 26);
        a = mask * (0.5 + 0.3 * barbs) * (1 - 0.45 * u * u);
    }
    double shaftLen = smoothstep(0.93, 0.85, p.y) * smoothstep(-0.97, -0.9, p.y);
    double shaft = gauss(dx, 0.012 + 0.008 * (1 - t)) * shaftLen;
    a = std::max(a, shaft);
    double grey = 0.88 + 0.12 * shaft;
    return {clamp01(a), grey};
}

Shade burst(Vec p) {
    double r = length(p);
    double angle = std::atan2(p.y, p.x);
    double rays = std::pow(0.5 + 0.5 * std::cos(16 * angle), 8);
    double reach = 0.55 + 0.35 * (0.5 + 0.5 * std::cos(8 * angle + 0.5));
    double a = rays * smoothstep(reach, 0.0, r) + 0.85 * gauss(r, 0.12) + 0.2 * gauss(r, 0.35);
    return {std::min(a, 1.0) * smoothstep(1.0, 0.92, r), 1};
}

Shade hexagonShape(Vec p) {
    // A translucent plate with a bright rim.
    double d = hexagon(p, 0.8);
    double body = fill(d, 0.018);
    double rim = gauss(d + 0.04, 0.035);
    double a = std::max(body * 0.45, rim) + 0.2 * std::exp(-std::max(d, 0.0) / 0.04) * (d > 0);
    return {std::min(a, 1.0) * smoothstep(1.0, 0.94, std::max(std::fabs(p.x), std::fabs(p.y))), 1};
}

Shade star6(Vec p) {
    double d = star(p, 0.88, 6, 3.6);
    double r = length(p);
    double a = fill(d, 0.018) * (0.7 + 0.3 * smoothstep(0.7, 0.0, r)) +
               0.35 * std::exp(-std::max(d, 0.0) / 0.07) * (d > 0) + 0.4 * gauss(r, 0.15);
    return {std::min(a, 1.0) * smoothstep(1.0, 0.92, r), 1};
}

Shade flower(Vec p) {
    // Five rounded petals around a darker heart.
    double r = length(p);
    double angle = std::atan2(p.y, p.x) + kPi / 2;
    double petalR = 0.88 * (0.42 + 0.58 * std::pow(std::fabs(std::cos(2.5 * angle)), 0.7));
    double a = fill(r - petalR, 0.03);
    double heart = 1 - smoothstep(0.14, 0.2, r);
    double grey = 0.97 - 0.14 * smoothstep(0.2, 0.0, r - 0.2) * (1 - heart) - 0.35 * heart +
                  0.0 * smoothstep(0.3, 0.8, r);
    grey -= 0.12 * (1 - smoothstep(0.0, 0.45, std::fabs(r / std::max(petalR, 1e-6) - 1.0)));
    return {a, clamp01(grey)};
}

Shade flare(Vec p) {
    // A wide horizontal streak, a shorter vertical one, a core and a faint halo ring.
    double r = length(p);
    double streak = gauss(p.y, 0.02 + 0.02 * (1 - std::fabs(p.x))) * std::pow(std::max(1 - std::fabs(p.x), 0.0), 2);
    double vertical = 0.45 * gauss(p.x, 0.015) * std::pow(std::max(1 - std::fabs(p.y) / 0.6, 0.0), 2);
    double a = streak + vertical + 0.9 * gauss(r, 0.09) + 0.18 * gauss(r - 0.5, 0.04) + 0.15 * gauss(r, 0.3);
    return {std::min(a, 1.0) * smoothstep(1.0, 0.94, std::max(std::fabs(p.x), std::fabs(p.y))), 1};
}

Shade drop(Vec p) {
    double d = unevenCapsule({p.x, p.y + 0.42}, 0.46, 0.03, 1.3);
    double a = fill(d, 0.022) * 0.95;
    double shine = gauss(length({p.x + 0.18, p.y + 0.25}), 0.14);
    double grey = 0.78 + 0.22 * smoothstep(-0.9, 0.3, p.y) * 0.5 + 0.3 * shine;
    return {a, clamp01(grey)};
}

Shade bubble(Vec p) {
    // A thin bright film edge, a faint inside brighter towards the rim and a highlight.
    double r = length(p);
    double inside = fill(r - 0.8, 0.02);
    double film = 0.08 + 0.55 * std::pow(std::min(r / 0.8, 1.0), 5);
    double rim = gauss(r - 0.8, 0.025);
    double shine = 0.85 * gauss(length({p.x + 0.32, p.y - 0.34}), 0.12);
    double a = std::max(inside * film, rim) + shine * inside;
    return {std::min(a, 1.0) * smoothstep(1.0, 0.9, r), 1};
}

Shade diamond(Vec p) {
    // A cut gem: a tall rhombus whose four facets catch different light.
    const double w = 0.58, h = 0.94;
    double d = (std::fabs(p.x) / w + std::fabs(p.y) / h - 1) * (w * h / std::sqrt(w * w + h * h));
    double a = fill(d, 0.02);
    double grey = p.x < 0 ? (p.y > 0 ? 1.0 : 0.78) : (p.y > 0 ? 0.88 : 0.66);
    // Soften the facet boundaries so they do not alias when the sprite is tiny.
    double seam = std::min(gauss(p.x, 0.02), 1.0) + std::min(gauss(p.y, 0.02), 1.0);
    grey = grey * (1 - 0.5 * std::min(seam, 1.0)) + 0.85 * 0.5 * std::min(seam, 1.0);
    return {a, grey};
}

Shade orbs(Vec p) {
    // Eight soft dots on a circle and one in the middle.
    double r = length(p);
    double angle = fmodFloor(std::atan2(p.y, p.x) + kPi / 8, kPi / 4) - kPi / 8;
    Vec q{r * std::cos(angle), r * std::sin(angle)};
    double dot8 = length({q.x - 0.66, q.y}) - 0.11;
    double centre = r - 0.16;
    double d = std::min(dot8, centre);
    double a = fill(d, 0.03) + 0.3 * std::exp(-std::max(d, 0.0) / 0.05) * (d > 0);
    return {std::min(a, 1.0) * smoothstep(1.0, 0.9, r), 1};
}

Shade disc(Vec p) {
    double r = length(p);
    return {fill(r - 0.82, 0.05), 0.9 + 0.1 * smoothstep(0.8, 0.0, r)};
}

struct Sprite {
    const char* name;
    int size;
    Shade (*shape)(Vec);
};

// The program sorts the images by name and a saved recipe refers to them by position: never
// rename or reorder these. Even positions are drawn additively, odd ones blended, so glowing
// shapes sit at even positions and solid ones at odd positions.
const Sprite kSprites[] = {
    {"01_glow", 128, glow},       {"02_petal", 256, petal},     {"03_ring", 256, ring},
    {"04_leaf", 256, leaf},       {"05_star4", 256, star4},     {"06_star5", 256, star5},
    {"07_spiral", 256, spiral},   {"08_crescent", 256, crescent}, {"09_flake", 256, flake},
    {"10_feather", 256, feather}, {"11_burst", 256, burst},     {"12_hexagon", 256, hexagonShape},
    {"13_star6", 256, star6},     {"14_flower", 256, flower},   {"15_flare", 256, flare},
    {"16_drop", 256, drop},       {"17_bubble", 256, bubble},   {"18_diamond", 256, diamond},
    {"19_orbs", 128, orbs},       {"20_disc", 128, disc},
};

// Renders one sprite with 4 x 4 samples per pixel into straight RGBA.
std::vector<uint8_t> render(const Sprite& sprite) {
    const int n = sprite.size;
    const int sub = 4;
    std::vector<uint8_t> pixels(size_t(n) * size_t(n) * 4);
    for (int py = 0; py < n; ++py) {
        for (int px = 0; px < n; ++px) {
            double alphaSum = 0, greySum = 0;
            for (int sy = 0; sy < sub; ++sy) {
                for (int sx = 0; sx < sub; ++sx) {
                    double x = ((px + (sx + 0.5) / sub) / n) * 2 - 1;
                    double y = 1 - ((py + (sy + 0.5) / sub) / n) * 2;
                    Shade s = sprite.shape({x, y});
                    double a = clamp01(s.alpha);
                    alphaSum += a;
                    greySum += a * clamp01(s.grey);
                }
            }
            double alpha = alphaSum / (sub * sub);
            double grey = alphaSum > 0 ? greySum / alphaSum : 1.0;
            auto g = uint8_t(std::lround(grey * 255));
            uint8_t* out = &pixels[(size_t(py) * size_t(n) + size_t(px)) * 4];
            out[0] = out[1] = out[2] = g;
            out[3] = uint8_t(std::lround(alpha * 255));
        }
    }
    return pixels;
}

const Sprite* findSprite(const std::string& name) {
    for (const Sprite& s : kSprites)
        if (name == s.name) return &s;
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_sprites OUTPUT_FOLDER NAME...\n");
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path folder = argv[1];
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "make_sprites: cannot create %s: %s\n", argv[1], error.message().c_str());
        return 1;
    }
    std::vector<std::string> wanted;
    for (int i = 2; i < argc; ++i) {
        if (!findSprite(argv[i])) {
            std::fprintf(stderr, "make_sprites: no sprite named %s\n", argv[i]);
            return 2;
        }
        wanted.push_back(std::string(argv[i]) + ".png");
    }
    // Only the wanted images may stay: a left-over image would shift every sprite index.
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        std::string name = entry.path().filename().string();
        if (entry.path().extension() == ".png" && std::find(wanted.begin(), wanted.end(), name) == wanted.end())
            fs::remove_all(entry.path(), error);
    }
    for (int i = 2; i < argc; ++i) {
        const Sprite& sprite = *findSprite(argv[i]);
        std::string path = (folder / (std::string(sprite.name) + ".png")).string();
        if (!tools::writePng(path.c_str(), sprite.size, sprite.size, render(sprite))) {
            std::fprintf(stderr, "make_sprites: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
