// keyframer.cpp -- reading, writing, evaluating and applying the track keyframer.
#include "anim/keyframer.h"

#include <GL/gl.h>

#include <array>
#include <cstdio>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/keyword_table.h"

namespace qv3rn {

namespace {

// What one track sub-block says, before it is turned into a track.
struct TrackText {
    std::string trackName;  // for the messages
    std::string type;
    bool counted = false;
    int declaredKeys = 0;
    std::vector<float> times;
    std::vector<std::array<float, 4>> numbers;  // the numbers after the time on each "Key" line
};

void readNumKeys(TrackText& text, BlockLine& line) {
    if (text.counted) return line.failBlock("a second NumKeys line");
    int count = 0;
    // The word the rotate track may write after the count carries nothing the track uses.
    std::sscanf(line.text.c_str(), "%*s %d", &count);
    if (count < 1) return line.failBlock("NumKeys must be at least 1");
    text.counted = true;
    text.declaredKeys = count;
}

void readKey(TrackText& text, BlockLine& line) {
    if (!text.counted) return line.failBlock("Key line before NumKeys");
    if (static_cast<int>(text.times.size()) >= text.declaredKeys)
        throw std::runtime_error("More Key lines than NumKeys " + std::to_string(text.declaredKeys) +
                                 " in keyframer " + text.trackName + " track");
    float time = 0.0f;
    std::array<float, 4> n{};
    std::sscanf(line.text.c_str(), "%*s %f %f %f %f %f", &time, &n[0], &n[1], &n[2], &n[3]);
    text.times.push_back(time);
    text.numbers.push_back(n);
}

// A track sub-block ("Translate {" ... "}"); lines without a keyword are ignored.
const KeywordTable<TrackText> trackRows = {
    quoted("Type ", &TrackText::type),
    {"NumKeys ", readNumKeys},
    {"Key ", readKey},
};

}  // namespace

// The body of a "Keyframer {" block: one row per track sub-block; lines without a keyword are ignored. A
// malformed sub-block fails the block with the keyframer's loadError set.
class TrackBlockReader {
public:
    static KeywordTable<Keyframer> rows() {
        return {
            {"Translate {", readTranslate},
            {"Rotate {", readRotate},
            {"Scale {", readScale},
            {"Visible {", readVisible},
        };
    }

private:
    // The sub-block's text, or false with the keyframer's loadError set and the block failed.
    static bool readTrack(const char* name, Keyframer& keyframer, BlockLine& line, TrackText& text) {
        text.trackName = name;
        const BlockEnd end = readKeywordBlock(line.parser, line.stream, text, trackRows, UnknownLine::skip());
        std::string error = end.reason;
        if (!end.failed() && !text.counted)
            error = "no NumKeys line";
        else if (!end.failed() && static_cast<int>(text.times.size()) < text.declaredKeys)
            error = "fewer Key lines than NumKeys " + std::to_string(text.declaredKeys);
        if (error.empty()) return true;
        keyframer.loadError_ = std::string(name) + " track: " + error;
        line.failBlock();
        return false;
    }

    static void readTranslate(Keyframer& keyframer, BlockLine& line) {
        TrackText text;
        if (!readTrack("Translate", keyframer, line, text)) return;
        std::vector<Vec3> positions;
        for (const auto& n : text.numbers) positions.push_back({n[0], n[1], n[2]});
        const std::string type = text.type.empty() ? "Linear" : text.type;
        keyframer.translate_ = VectorTrack::create(type, std::move(text.times), std::move(positions));
        if (keyframer.translate_) return;
        keyframer.loadError_ = "Translate track: unknown Type \"" + type + "\" (Linear, Spline or Hermite)";
        line.failBlock();
    }

    static void readRotate(Keyframer& keyframer, BlockLine& line) {
        TrackText text;
        if (!readTrack("Rotate", keyframer, line, text)) return;
        keyframer.rotate_ = std::make_unique<RotationTrack>(text.type == "HPR", std::move(text.times),
                                                            std::move(text.numbers));
    }

    static void readScale(Keyframer& keyframer, BlockLine& line) {
        TrackText text;
        if (!readTrack("Scale", keyframer, line, text)) return;
        std::vector<float> factors;
        for (const auto& n : text.numbers) factors.push_back(n[0]);
        keyframer.scale_ = std::make_unique<ScaleTrack>(std::move(text.times), std::move(factors));
    }

    static void readVisible(Keyframer& keyframer, BlockLine& line) {
        TrackText text;
        if (!readTrack("Visible", keyframer, line, text)) return;
        keyframer.visible_ = std::make_unique<VisibilityTrack>(std::move(text.times));
    }
};

namespace {
const KeywordTable<Keyframer> keyframerRows = TrackBlockReader::rows();
}  // namespace

Keyframer::Keyframer() { setState({}, {}, Mat4::identity(), {1.0f, 1.0f, 1.0f}, true); }

bool Keyframer::load(ScriptParser& parser, std::istream& stream) {
    loadError_.clear();
    translate_.reset();
    rotate_.reset();
    scale_.reset();
    visible_.reset();
    if (readKeywordBlock(parser, stream, *this, keyframerRows, UnknownLine::skip()).failed()) return false;
    if (!translate_ && !rotate_ && !scale_) {
        loadError_ = "keyframer block without a Translate, Rotate or Scale track";
        return false;
    }
    prepare();
    return true;
}

void Keyframer::prepare() {
    for (KeyframerTrack* track : {static_cast<KeyframerTrack*>(translate_.get()),
                                  static_cast<KeyframerTrack*>(rotate_.get()),
                                  static_cast<KeyframerTrack*>(scale_.get()),
                                  static_cast<KeyframerTrack*>(visible_.get())})
        if (track) track->prepare();
}

void Keyframer::finish() {
    for (KeyframerTrack* track : {static_cast<KeyframerTrack*>(translate_.get()),
                                  static_cast<KeyframerTrack*>(rotate_.get()),
                                  static_cast<KeyframerTrack*>(scale_.get()),
                                  static_cast<KeyframerTrack*>(visible_.get())})
        if (track) track->finish();
}

bool Keyframer::save(std::ostream& stream) const {
    stream << "\tKeyframer {\n";
    const std::pair<const char*, const KeyframerTrack*> tracks[] = {
        {"\t\tTranslate {\n", translate_.get()},
        {"\t\tRotate {\n", rotate_.get()},
        {"\t\tScale {\n", scale_.get()},
        {"\t\tVisible {\n", visible_.get()},
    };
    for (const auto& [opening, track] : tracks) {
        if (!track) continue;
        stream << opening;
        if (!track->save(stream)) return false;
        stream << "\t\t}\n";
    }
    stream << "\t}\n";
    return static_cast<bool>(stream);
}

void Keyframer::evaluate(float time) {
    const Quat rotation = getRotation(time);
    setState(getPosition(time), rotation, rotation.toMatrix().transposed(), getScale(time),
             visible_ ? visible_->evaluate(time) : true);
}

void Keyframer::beginTransform() const {
    Vec3 axis;
    float angle = 0.0f;
    rotation().toAxisAngle(axis, angle);
    glPushMatrix();
    glTranslatef(position().x, position().y, position().z);
    glRotatef(angle * kDegreesPerRadian, axis.x, axis.y, axis.z);
    glScalef(scale().x, scale().y, scale().z);
}

void Keyframer::endTransform() const { glPopMatrix(); }

Vec3 Keyframer::getPosition(float time) const { return translate_ ? translate_->evaluate(time) : Vec3{}; }

Quat Keyframer::getRotation(float time) const { return rotate_ ? rotate_->evaluate(time) : Quat{}; }

Vec3 Keyframer::getScale(float time) const {
    const float factor = scale_ ? scale_->evaluate(time) : 1.0f;
    return {factor, factor, factor};
}

Mat4 Keyframer::getRotationMatrix(float time) const { return getRotation(time).toMatrix().transposed(); }

Vec3 Keyframer::getXAxis(float time) const { return rowOf(getRotationMatrix(time), 0); }
Vec3 Keyframer::getYAxis(float time) const { return rowOf(getRotationMatrix(time), 1); }
Vec3 Keyframer::getZAxis(float time) const { return rowOf(getRotationMatrix(time), 2); }

}  // namespace qv3rn
