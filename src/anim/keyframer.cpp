// keyframer.cpp -- reading, writing, evaluating and applying the track keyframer.
#include "anim/keyframer.h"

#include <GL/gl.h>

#include <array>
#include <cstdio>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "anim/script_lines.h"
#include "data/script_parser.h"

namespace qv3rn {

namespace {

// What one track sub-block says, before it is turned into a track.
struct TrackText {
    std::string type;
    bool counted = false;
    int declaredKeys = 0;
    std::vector<float> times;
    std::vector<std::array<float, 4>> numbers;  // the numbers after the time on each "Key" line
};

// Reads one track sub-block ("Translate {" ... "}") with the keyword table in test order. Malformed content
// sets `error`; more keys than announced throws.
class TrackTextReader {
public:
    TrackTextReader(std::string_view trackName, ScriptParser& parser, std::istream& stream)
        : trackName_(trackName), parser_(parser), stream_(stream) {}

    // The track's text, or false with error() set.
    bool run(TrackText& text) {
        text_ = &text;
        while (stream_.good()) {
            const std::string line = anim::nextContentLine(parser_, stream_);
            if (line.empty()) break;  // the end of the stream ends the sub-block
            const bool more = dispatch(line);
            if (!error_.empty()) return false;
            if (!more) break;
        }
        if (!text.counted) return fail("no NumKeys line");
        if (static_cast<int>(text.times.size()) < text.declaredKeys)
            return fail("fewer Key lines than NumKeys " + std::to_string(text.declaredKeys));
        return true;
    }

    const std::string& error() const { return error_; }

private:
    using Handler = bool (TrackTextReader::*)(const std::string& line);
    struct Keyword {
        std::string_view text;
        Handler handler;
    };
    static const std::array<Keyword, 4> kKeywords;  // in test order, defined below the class

    // Returns false when the sub-block has ended. Lines without a keyword are ignored.
    bool dispatch(const std::string& line) {
        for (const Keyword& keyword : kKeywords)
            if (matches(line, keyword.text)) return (this->*keyword.handler)(line);
        return true;
    }

    bool fail(const std::string& what) {
        error_ = std::string(trackName_) + " track: " + what;
        return false;
    }

    bool onType(const std::string& line) {
        text_->type = quotedText(line);
        return true;
    }

    bool onNumKeys(const std::string& line) {
        if (text_->counted) return fail("a second NumKeys line");
        int count = 0;
        // The word the rotate track may write after the count carries nothing the track uses.
        std::sscanf(line.c_str(), "%*s %d", &count);
        if (count < 1) return fail("NumKeys must be at least 1");
        text_->counted = true;
        text_->declaredKeys = count;
        return true;
    }

    bool onKey(const std::string& line) {
        if (!text_->counted) return fail("Key line before NumKeys");
        if (static_cast<int>(text_->times.size()) >= text_->declaredKeys)
            throw std::runtime_error("More Key lines than NumKeys " + std::to_string(text_->declaredKeys) +
                                     " in keyframer " + std::string(trackName_) + " track");
        float time = 0.0f;
        std::array<float, 4> n{};
        std::sscanf(line.c_str(), "%*s %f %f %f %f %f", &time, &n[0], &n[1], &n[2], &n[3]);
        text_->times.push_back(time);
        text_->numbers.push_back(n);
        return true;
    }

    bool onEnd(const std::string&) { return false; }

    std::string_view trackName_;
    ScriptParser& parser_;
    std::istream& stream_;
    TrackText* text_ = nullptr;
    std::string error_;
};

const std::array<TrackTextReader::Keyword, 4> TrackTextReader::kKeywords{{
    {"Type ", &TrackTextReader::onType},
    {"NumKeys ", &TrackTextReader::onNumKeys},
    {"Key ", &TrackTextReader::onKey},
    {"}", &TrackTextReader::onEnd},
}};

}  // namespace

// Reads the body of a "Keyframer {" block with the keyword table in test order.
class TrackBlockReader {
public:
    TrackBlockReader(Keyframer& keyframer, ScriptParser& parser, std::istream& stream)
        : keyframer_(keyframer), parser_(parser), stream_(stream) {}

    // False when a sub-block failed (the keyframer's loadError says why).
    bool run() {
        while (stream_.good()) {
            const std::string line = anim::nextContentLine(parser_, stream_);
            if (line.empty()) break;
            const Keyword* keyword = find(line);
            if (!keyword) continue;  // lines without a keyword are ignored
            if (!keyword->handler) break;
            if (!(this->*keyword->handler)()) return false;
        }
        return true;
    }

private:
    using Handler = bool (TrackBlockReader::*)();
    struct Keyword {
        std::string_view text;
        Handler handler;  // null: the block's closing line
    };
    static const std::array<Keyword, 5> kKeywords;  // in test order, defined below the class

    static const Keyword* find(const std::string& line) {
        for (const Keyword& keyword : kKeywords)
            if (matches(line, keyword.text)) return &keyword;
        return nullptr;
    }

    bool readTrack(std::string_view name, TrackText& text) {
        TrackTextReader reader(name, parser_, stream_);
        if (reader.run(text)) return true;
        keyframer_.loadError_ = reader.error();
        return false;
    }

    bool onTranslate() {
        TrackText text;
        if (!readTrack("Translate", text)) return false;
        std::vector<Vec3> positions;
        for (const auto& n : text.numbers) positions.push_back({n[0], n[1], n[2]});
        const std::string type = text.type.empty() ? "Linear" : text.type;
        keyframer_.translate_ = VectorTrack::create(type, std::move(text.times), std::move(positions));
        if (keyframer_.translate_) return true;
        keyframer_.loadError_ = "Translate track: unknown Type \"" + type + "\" (Linear, Spline or Hermite)";
        return false;
    }

    bool onRotate() {
        TrackText text;
        if (!readTrack("Rotate", text)) return false;
        keyframer_.rotate_ = std::make_unique<RotationTrack>(text.type == "HPR", std::move(text.times),
                                                             std::move(text.numbers));
        return true;
    }

    bool onScale() {
        TrackText text;
        if (!readTrack("Scale", text)) return false;
        std::vector<float> factors;
        for (const auto& n : text.numbers) factors.push_back(n[0]);
        keyframer_.scale_ = std::make_unique<ScaleTrack>(std::move(text.times), std::move(factors));
        return true;
    }

    bool onVisible() {
        TrackText text;
        if (!readTrack("Visible", text)) return false;
        keyframer_.visible_ = std::make_unique<VisibilityTrack>(std::move(text.times));
        return true;
    }

    Keyframer& keyframer_;
    ScriptParser& parser_;
    std::istream& stream_;
};

const std::array<TrackBlockReader::Keyword, 5> TrackBlockReader::kKeywords{{
    {"Translate {", &TrackBlockReader::onTranslate},
    {"Rotate {", &TrackBlockReader::onRotate},
    {"Scale {", &TrackBlockReader::onScale},
    {"Visible {", &TrackBlockReader::onVisible},
    {"}", nullptr},
}};

Keyframer::Keyframer() { setState({}, {}, Mat4::identity(), {1.0f, 1.0f, 1.0f}, true); }

bool Keyframer::load(ScriptParser& parser, std::istream& stream) {
    loadError_.clear();
    translate_.reset();
    rotate_.reset();
    scale_.reset();
    visible_.reset();
    if (!TrackBlockReader(*this, parser, stream).run()) return false;
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
