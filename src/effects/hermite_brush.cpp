// hermite_brush.cpp -- the brush stroke along a Hermite spline through the script's points, the image over it,
// and the block's keywords with its point block.
#include "effects/hermite_brush.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "effects/blend.h"
#include "effects/effect_loaders.h"
#include "effects/overlay_frame.h"
#include "effects/overlay_keywords.h"

namespace qv3rn {

HermiteBrush::HermiteBrush() : Effect(EffectKind::HermiteBrush) { setName("HermiteBrush"); }

void HermiteBrush::addPoint(float pointTime, float x, float y) {
    HermitePoint point;
    point.x = x;
    point.y = y;
    point.time = pointTime;
    if (std::isnan(pointTime)) {
        points_.push_back(point);  // never reached by the stroke
        return;
    }
    const auto place = std::find_if(points_.begin(), points_.end(),
                                    [pointTime](const HermitePoint& other) { return pointTime < other.time; });
    points_.insert(place, point);
}

bool HermiteBrush::init() {
    if (!Effect::init()) return false;
    const float k = (1.0f - tension - bias) * 0.5f;
    for (std::size_t i = 0; i < points_.size(); ++i) {
        HermitePoint& point = points_[i];
        const HermitePoint& prev = i > 0 ? points_[i - 1] : point;
        const HermitePoint& next = i + 1 < points_.size() ? points_[i + 1] : point;
        point.tangentX = ((point.x - prev.x) + (next.x - point.x)) * k;
        point.tangentY = ((point.y - prev.y) + (next.y - point.y)) * k;
    }
    return true;
}

bool HermiteBrush::release() {
    brush.release();
    image.release();
    points_.clear();
    dissolveTrack.reset();
    return Effect::release();
}

void HermiteBrush::update(float demoTime) {
    time = demoTime - start();
    dissolve = dissolveTrack ? dissolveTrack->evaluate(demoTime) : 1.0f;
}

void HermiteBrush::collectStamps(std::vector<BrushStamp>& stamps) const {
    stamps.clear();
    if (points_.empty()) return;
    const int n = std::clamp(numSegDivs, 1, maxSegDivs);
    float strokeTime = points_.front().time;
    for (std::size_t i = 0; i < points_.size() && points_[i].time <= time; ++i) {
        const HermitePoint& p0 = points_[i];
        const HermitePoint& p1 = i + 1 < points_.size() ? points_[i + 1] : p0;
        const float timeStep = (p1.time - p0.time) / static_cast<float>(n);
        // The step is counted, not summed: n additions of 1/n can fall short of 1 and stamp once more.
        for (int step = 0; step < n; ++step) {
            const float s = static_cast<float>(step) / static_cast<float>(n);
            const float s2 = s * s, s3 = s2 * s;
            const float h1 = 2.0f * s3 - 3.0f * s2 + 1.0f;
            const float h2 = 3.0f * s2 - 2.0f * s3;
            const float h3 = s3 - 2.0f * s2 + s;
            const float h4 = s3 - s2;
            if (stamps.size() == maxStamps) return;
            stamps.push_back({h1 * p0.x + h2 * p1.x + h3 * p0.tangentX + h4 * p1.tangentX,
                              h1 * p0.y + h2 * p1.y + h3 * p0.tangentY + h4 * p1.tangentY});
            strokeTime += timeStep;
            if (strokeTime >= time) break;
        }
    }
}

std::vector<BrushStamp> HermiteBrush::strokeStamps() const {
    std::vector<BrushStamp> stamps;
    collectStamps(stamps);
    return stamps;
}

void HermiteBrush::render() {
    OverlayFrame frame(virtualScreenSymmetricDepth);
    glDepthMask(GL_FALSE);

    // The stroke, blended with the effect's own mode into destination alpha only.
    beginStroke();
    const bool brushBound = brush.bind(GL_TEXTURE0);
    beginBlend(drawMode());
    collectStamps(stamps_);
    const float h = brushSize * 0.5f;
    glBegin(GL_QUADS);
    glColor4f(color[0], color[1], color[2], strokeAlpha());
    for (const BrushStamp& stamp : stamps_) emitBrushQuad(stamp, h);
    glEnd();
    if (brushBound) brush.unbind(GL_TEXTURE0);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

    // The image, through the stroke.
    drawImageThroughStroke(image, drawMode(), color.data());
    glDepthMask(GL_TRUE);
}

std::unique_ptr<Effect> HermiteBrushLoader::createEffect() { return std::make_unique<HermiteBrush>(); }

std::unique_ptr<EffectLoader> makeHermiteBrushLoader() { return std::make_unique<HermiteBrushLoader>(); }

void HermiteBrushLoader::readPoints(std::istream& stream, HermiteBrush& brush) {
    while (stream.good()) {
        const std::string line = readLine(stream);
        if (line.empty()) continue;  // a comment line, or the end of the script
        if (matches(line, "}")) return;
        if (!matches(line, "Point ")) throw std::runtime_error("HermiteBrushLoader unknown spline token:" + line);
        float time = 0.0f, x = 0.0f, y = 0.0f;
        scanFloats(line, time, x, y);
        brush.addPoint(time, x, y);
    }
}

bool HermiteBrushLoader::onToken(std::string& line, std::istream& stream, Effect& base) {
    if (EffectLoader::onToken(line, stream, base)) return true;
    using Keyword = KeywordAction<HermiteBrushLoader, HermiteBrush>;
    static const Keyword keywords[] = {
        {"Brush ",
         [](HermiteBrushLoader&, std::string& text, std::istream&, HermiteBrush& brush) {
             brush.brush.take(quotedText(text));
             return true;
         }},
        {"Image ",
         [](HermiteBrushLoader&, std::string& text, std::istream&, HermiteBrush& brush) {
             brush.image.take(quotedText(text));
             return true;
         }},
        {"Tension ",
         [](HermiteBrushLoader&, std::string& text, std::istream&, HermiteBrush& brush) {
             scanFloats(text, brush.tension);
             return true;
         }},
        {"Bias ",
         [](HermiteBrushLoader&, std::string& text, std::istream&, HermiteBrush& brush) {
             scanFloats(text, brush.bias);
             return true;
         }},
        {"Color ",
         [](HermiteBrushLoader&, std::string& text, std::istream&, HermiteBrush& brush) {
             scanFloats(text, brush.color[0], brush.color[1], brush.color[2], brush.color[3]);
             return true;
         }},
        {"NumSegDivs ",
         [](HermiteBrushLoader&, std::string& text, std::istream&, HermiteBrush& brush) {
             int divisions = brush.numSegDivs;
             scanInt(text, divisions);
             if (divisions < 1 || divisions > HermiteBrush::maxSegDivs)
                 throw std::runtime_error("HermiteBrushLoader NumSegDivs out of range:" + text);
             brush.numSegDivs = divisions;
             return true;
         }},
        {"BrushSize ",
         [](HermiteBrushLoader&, std::string& text, std::istream&, HermiteBrush& brush) {
             scanFloats(text, brush.brushSize);
             return true;
         }},
        {"Spline {",
         [](HermiteBrushLoader& loader, std::string&, std::istream& in, HermiteBrush& brush) {
             loader.readPoints(in, brush);
             return true;
         }},
        {"Dissolve {",
         [](HermiteBrushLoader& loader, std::string&, std::istream& in, HermiteBrush& brush) {
             loader.readTrack(in, brush.dissolveTrack, brush,
                              "ERROR! HermiteBrush \"%s\" unable to load dissolve track");
             return true;
         }},
    };
    if (takeKeyword(keywords, *this, line, stream, static_cast<HermiteBrush&>(base)) == KeywordResult::NotFound)
        throw std::runtime_error("HermiteBrushLoader unknown token:" + line);
    return true;
}

}  // namespace qv3rn
