// texture_set.cpp -- the procedural pictures: noise, plasma, gradients, brushes, flares, light maps, the loading picture.
#include "generators/texture_set.h"

#include <algorithm>
#include <cmath>

#include "math/noise.h"

namespace qv3rn {

namespace {

constexpr float kPi = 3.14159265f;

std::uint8_t toByte(float v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); }

float mix(float a, float b, float t) { return a + (b - a) * t; }

void setRgb(Picture& p, int x, int y, float r, float g, float b) {
    std::uint8_t* px = p.at(x, y);
    px[0] = toByte(r);
    px[1] = toByte(g);
    px[2] = toByte(b);
}

// The show's palette: deep blue through violet to warm orange, for t in 0..1.
void palette(float t, float& r, float& g, float& b) {
    t = std::clamp(t, 0.0f, 1.0f);
    r = std::pow(t, 1.6f) * 1.05f;
    g = std::pow(t, 2.4f) * 0.75f + 0.05f * t;
    b = 0.18f + 0.55f * std::sin(t * kPi * 0.9f) * (1.0f - t * 0.6f);
}

Picture makeGradient(int size, float r0, float g0, float b0, float r1, float g1, float b1) {
    Picture p(size, size, 3);
    for (int y = 0; y < size; ++y) {
        const float t = static_cast<float>(y) / static_cast<float>(size - 1);
        for (int x = 0; x < size; ++x) setRgb(p, x, y, mix(r0, r1, t), mix(g0, g1, t), mix(b0, b1, t));
    }
    return p;
}

Picture makeRadialGradient(int size) {
    Picture p(size, size, 3);
    const float c = (size - 1) * 0.5f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float d = std::min(1.0f, std::hypot(x - c, y - c) / c);
            float r, g, b;
            palette(1.0f - d, r, g, b);
            setRgb(p, x, y, r, g, b);
        }
    return p;
}

Picture makeBlueNoise() {
    Picture p(256, 256, 3);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const float n = fractalNoise(x / 32.0f, y / 32.0f, 8, 5, 11u);
            setRgb(p, x, y, n * n * 0.35f, n * 0.45f, 0.15f + n * 0.85f);
        }
    return p;
}

Picture makeWarmNoise() {
    Picture p(256, 256, 3);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const float n = fractalNoise(x / 64.0f, y / 64.0f, 4, 6, 23u);
            float r, g, b;
            palette(n * 1.3f - 0.15f, r, g, b);
            setRgb(p, x, y, r, g, b);
        }
    return p;
}

Picture makeBars() {
    Picture p(256, 256, 3);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const float band = 0.5f + 0.5f * std::sin(y / 256.0f * kPi * 16.0f);
            const float glow = std::pow(band, 8.0f);
            const float shade = fractalNoise(x / 64.0f, y / 64.0f, 4, 3, 41u);
            setRgb(p, x, y, glow * 1.0f * shade + 0.03f, glow * 0.55f * shade + 0.04f, 0.12f + glow * 0.2f);
        }
    return p;
}

Picture makeStrokeBrush() { return makeSoftBrush(64); }

Picture makeLoadingSized() { return makeLoadingPicture(); }

Picture makeFlare(int index) { return makeLensFlare(index, 128); }

Picture makeSpot(int face) { return makeSpotFace(face, 128); }

}  // namespace

Picture makeNoise(int size, unsigned seed) {
    Picture p(size, size, 1);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) *p.at(x, y) = toByte(fractalNoise(x * 8.0f / size, y * 8.0f / size, 8, 5, seed));
    return p;
}

Picture makePlasma(int size) {
    Picture p(size, size, 3);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            // Sums of sines whose periods divide the picture, so the plasma tiles seamlessly.
            const float u = static_cast<float>(x) / size * 2.0f * kPi;
            const float v = static_cast<float>(y) / size * 2.0f * kPi;
            const float s = std::sin(u * 2.0f) + std::sin(v * 3.0f + std::sin(u) * 1.5f) +
                            std::sin((u + v) * 2.0f) + std::sin(std::sin(v * 2.0f) * 2.0f + u * 3.0f);
            const float t = 0.5f + 0.5f * std::sin(s * 1.2f);
            float r, g, b;
            palette(t, r, g, b);
            setRgb(p, x, y, r, g, b);
        }
    return p;
}

Picture makeSoftBrush(int size) {
    Picture p(size, size, 4);
    const float c = (size - 1) * 0.5f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float d = std::hypot(x - c, y - c) / (c + 0.5f);
            const float a = d >= 1.0f ? 0.0f : std::pow(0.5f + 0.5f * std::cos(d * kPi), 1.5f);
            std::uint8_t* px = p.at(x, y);
            px[0] = px[1] = px[2] = toByte(a);
            px[3] = toByte(a);
        }
    return p;
}

Picture makeDissolveBrush(int size, unsigned seed) {
    // Noise stretched to the full 0..255 alpha range so a dissolve from 0 to 1 reveals every pixel by its end.
    std::vector<float> values(static_cast<size_t>(size) * size);
    float lo = 1.0f, hi = 0.0f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float n = fractalNoise(x * 4.0f / size, y * 4.0f / size, 4, 6, seed);
            values[static_cast<size_t>(y) * size + x] = n;
            lo = std::min(lo, n);
            hi = std::max(hi, n);
        }
    Picture p(size, size, 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float t = hi > lo ? (values[static_cast<size_t>(y) * size + x] - lo) / (hi - lo) : 0.0f;
            std::uint8_t* px = p.at(x, y);
            px[0] = px[1] = px[2] = 255;  // white, so the revealed picture keeps its own colours
            px[3] = toByte(t);
        }
    return p;
}

Picture makeLensFlare(int index, int size) {
    Picture p(size, size, 3);
    const float c = (size - 1) * 0.5f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float dx = (x - c) / c, dy = (y - c) / c;
            const float d = std::hypot(dx, dy);
            const float angle = std::atan2(dy, dx);
            float v = 0.0f;
            float r = 1.0f, g = 1.0f, b = 1.0f;
            switch (index) {
                case 1:  // bright core with a soft halo
                    v = std::exp(-d * d * 18.0f) + 0.35f * std::exp(-d * d * 3.0f);
                    g = 0.9f, b = 0.75f;
                    break;
                case 2:  // star streaks
                    v = std::exp(-d * 4.0f) * (0.4f + 0.6f * std::pow(std::fabs(std::cos(angle * 3.0f)), 40.0f)) +
                        std::exp(-d * d * 30.0f);
                    break;
                case 3:  // thin ring
                    v = std::exp(-std::pow((d - 0.75f) * 14.0f, 2.0f)) * 0.8f;
                    r = 0.6f, g = 0.8f, b = 1.0f;
                    break;
                case 4:  // filled disc with a soft edge
                    v = std::clamp((0.8f - d) * 8.0f, 0.0f, 1.0f) * 0.45f;
                    r = 1.0f, g = 0.6f, b = 0.25f;
                    break;
                case 5:  // hexagonal iris
                    v = std::clamp((0.78f - d * (0.9f + 0.1f * std::cos(angle * 6.0f))) * 10.0f, 0.0f, 1.0f) * 0.35f;
                    r = 0.35f, g = 0.55f, b = 1.0f;
                    break;
                default:  // rainbow halo
                    v = std::exp(-std::pow((d - 0.6f) * 6.0f, 2.0f)) * 0.6f;
                    r = 0.5f + 0.5f * std::cos((d - 0.6f) * 20.0f);
                    g = 0.5f + 0.5f * std::cos((d - 0.6f) * 20.0f - 2.1f);
                    b = 0.5f + 0.5f * std::cos((d - 0.6f) * 20.0f + 2.1f);
                    break;
            }
            if (d >= 1.0f) v = 0.0f;
            setRgb(p, x, y, v * r, v * g, v * b);
        }
    return p;
}

Picture makeAttenuation1D(int width) {
    Picture p(width, 1, 3);
    for (int x = 0; x < width; ++x) {
        const float d = static_cast<float>(x) / static_cast<float>(width - 1);
        // Smooth to nothing at the light's reach: (1 - d^2)^2 keeps the middle of the sphere well lit.
        const float a = x == width - 1 ? 0.0f : (1.0f - d * d) * (1.0f - d * d);
        setRgb(p, x, 0, a, a, a);
    }
    return p;
}

Picture makeSpotFace(int face, int size) {
    Picture p(size, size, 3);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float s = (x + 0.5f) / size * 2.0f - 1.0f;
            const float t = (y + 0.5f) / size * 2.0f - 1.0f;
            // Direction of this texel for the cube-map face layout (+X, -X, +Y, -Y, +Z, -Z).
            float dx = 0, dy = 0, dz = 0;
            switch (face) {
                case 0: dx = 1, dy = -t, dz = -s; break;
                case 1: dx = -1, dy = -t, dz = s; break;
                case 2: dx = s, dy = 1, dz = t; break;
                case 3: dx = s, dy = -1, dz = -t; break;
                case 4: dx = s, dy = -t, dz = 1; break;
                default: dx = -s, dy = -t, dz = -1; break;
            }
            const float len = std::sqrt(dx * dx + dy * dy + dz * dz);
            const float cosine = dz / len;  // angle to the cone's axis
            const float cone = std::clamp((cosine - 0.82f) / (0.97f - 0.82f), 0.0f, 1.0f);
            const float light = cone * cone * (3.0f - 2.0f * cone);
            setRgb(p, x, y, light, light * 0.92f, light * 0.8f);
        }
    return p;
}

Picture makeBrickNormals(int size) {
    // Heights: bricks of a quarter by an eighth of the picture, every other row shifted by half a brick, with
    // bevelled mortar joints and a rough face; the picture tiles.
    const int brickW = size / 4, brickH = size / 8;
    const auto wrap = [size](int v) { return (v % size + size) % size; };
    const auto height = [&](int x, int y) {
        x = wrap(x);
        y = wrap(y);
        const int row = y / brickH;
        const int bx = wrap(x + (row % 2) * brickW / 2) % brickW, by = y % brickH;
        const float edge = static_cast<float>(std::min(std::min(bx, brickW - 1 - bx), std::min(by, brickH - 1 - by)));
        const float bevel = std::clamp((edge - 1.0f) / 4.0f, 0.0f, 1.0f);
        return bevel * 0.8f + 0.2f * fractalNoise(x * 16.0f / size, y * 16.0f / size, 16, 4, 211u);
    };
    Picture p(size, size, 3);
    const float strength = 3.0f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float dx = (height(x + 1, y) - height(x - 1, y)) * strength;
            const float dy = (height(x, y + 1) - height(x, y - 1)) * strength;
            const float len = std::sqrt(dx * dx + dy * dy + 1.0f);
            setRgb(p, x, y, 0.5f - 0.5f * dx / len, 0.5f - 0.5f * dy / len, 0.5f + 0.5f / len);
        }
    return p;
}

Picture makeFireAndSmoke(int size) {
    Picture p(size, size, 4);
    const float c = (size - 1) * 0.5f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float d = std::hypot(x - c, y - c) / c;
            const float n = fractalNoise(x * 6.0f / size, y * 6.0f / size, 6, 5, 97u);
            const float shape = std::clamp(1.0f - d, 0.0f, 1.0f);
            const float density = std::clamp(shape * (0.45f + n) - 0.1f, 0.0f, 1.0f);
            const float heat = std::clamp(1.0f - d * 1.6f, 0.0f, 1.0f) * n * 1.4f;
            std::uint8_t* px = p.at(x, y);
            px[0] = toByte(0.35f + heat * 1.2f);
            px[1] = toByte(0.3f + heat * 0.6f);
            px[2] = toByte(0.3f + heat * 0.15f);
            px[3] = toByte(density);
        }
    return p;
}

Picture makeLoadingPicture() {
    Picture p(640, 480, 3);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const float n = fractalNoise(x / 80.0f, y / 80.0f, 8, 5, 5u);
            const float glow = std::exp(-std::pow((y - 250.0f) / 60.0f, 2.0f)) * 0.7f;
            const float t = 0.15f + n * 0.35f + glow * (0.6f + 0.4f * n);
            float r, g, b;
            palette(t, r, g, b);
            // Thin horizontal scan lines across the middle band.
            if (y % 4 == 0) r *= 0.85f, g *= 0.85f, b *= 0.85f;
            setRgb(p, x, y, r, g, b);
        }
    return p;
}

const std::vector<TextureRecipe>& textureRecipes() {
    static const std::vector<TextureRecipe> recipes = {
        {"noise_blue.png", makeBlueNoise},
        {"noise_warm.jpg", makeWarmNoise},
        {"noise_grey.tga", [] { return makeNoise(256, 3u); }},
        {"plasma.jpg", [] { return makePlasma(256); }},
        {"gradient_blue.tga", [] { return makeGradient(128, 0.0f, 0.02f, 0.08f, 0.1f, 0.3f, 0.85f); }},
        {"gradient_warm.tga", [] { return makeGradient(128, 0.35f, 0.05f, 0.1f, 1.0f, 0.62f, 0.2f); }},
        {"gradient_radial.png", [] { return makeRadialGradient(256); }},
        {"bars.jpg", makeBars},
        {"brush_soft.png", makeStrokeBrush},
        {"brush_dissolve.png", [] { return makeDissolveBrush(256, 61u); }},
        {"brush_clouds.tga", [] { return makeDissolveBrush(128, 73u); }},
        {"lensflare1.png", [] { return makeFlare(1); }},
        {"lensflare2.png", [] { return makeFlare(2); }},
        {"lensflare3.png", [] { return makeFlare(3); }},
        {"lensflare4.png", [] { return makeFlare(4); }},
        {"lensflare5.png", [] { return makeFlare(5); }},
        {"lensflare6.png", [] { return makeFlare(6); }},
        {"attenuation1d.png", [] { return makeAttenuation1D(256); }},
        {"spotlight_pos_x.tga", [] { return makeSpot(0); }},
        {"spotlight_neg_x.tga", [] { return makeSpot(1); }},
        {"spotlight_pos_y.tga", [] { return makeSpot(2); }},
        {"spotlight_neg_y.tga", [] { return makeSpot(3); }},
        {"spotlight_pos_z.tga", [] { return makeSpot(4); }},
        {"spotlight_neg_z.tga", [] { return makeSpot(5); }},
        {"bricks_normal.png", [] { return makeBrickNormals(256); }},
        {"fireandsmoke.tga", [] { return makeFireAndSmoke(128); }},
        {"demo_loading.jpg", makeLoadingSized},
    };
    return recipes;
}

bool writeTextureSet(const std::string& folder, std::string& error) {
    for (const TextureRecipe& recipe : textureRecipes())
        if (!writePicture(recipe.make(), folder + "/" + recipe.fileName, error)) return false;
    return true;
}

}  // namespace qv3rn
