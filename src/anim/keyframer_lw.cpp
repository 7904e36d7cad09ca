// keyframer_lw.cpp -- reading, evaluating and applying the nine-channel keyframer.
#include "anim/keyframer_lw.h"

#include <GL/gl.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "data/keyword_table.h"
#include "math/euler_matrix.h"

namespace qv3rn {

namespace {

bool isScaleChannel(int index) { return index >= KeyframerLW::ScaleX; }

void readChannel(KeyframerLW& keyframer, BlockLine& line) {
    int index = -1;
    std::sscanf(line.text.c_str(), "%*s %d", &index);
    // The array has nine slots; any other channel number has nowhere to go.
    if (index < 0 || index >= KeyframerLW::kChannelCount)
        throw std::runtime_error("Unable to load keyframer channel envelope");
    // A channel named twice takes the later block.
    Envelope& envelope = keyframer.channel(index);
    envelope.clear();
    envelope.setChannelIndex(static_cast<std::uint32_t>(index));
    if (!envelope.load(line.parser, line.stream)) throw std::runtime_error("Unable to load keyframer channel envelope");
}

void checkChannelCount(KeyframerLW&, BlockLine& line) {
    int count = 0;
    std::sscanf(line.text.c_str(), "%*s %d", &count);
    if (count < 0 || count > KeyframerLW::kChannelCount) throw std::runtime_error("wrong number of channels in keyframer");
}

// The body of a "KeyframerLW {" block; a line with "}" closes it before "NumChannels " is tried.
const KeywordTable<KeyframerLW> channelRows = {
    {"Channel ", readChannel},
    closing<KeyframerLW>(),
    {"NumChannels ", checkChannelCount},
};

const char* const channelTokenError = "Unable to load keyframer channels (token error)";

}  // namespace

KeyframerLW::KeyframerLW() {
    for (int i = 0; i < kChannelCount; ++i) channel(i).setChannelIndex(static_cast<std::uint32_t>(i));
    setState({}, {}, eulerMatrix(0.0f, 0.0f, 0.0f), {1.0f, 1.0f, 1.0f}, true);
}

bool KeyframerLW::load(ScriptParser& parser, std::istream& stream) {
    for (int i = 0; i < kChannelCount; ++i) channel(i).clear();
    // The block must be closed: the end of the stream before its "}" is an error too.
    const BlockEnd end = readKeywordBlock(parser, stream, *this, channelRows, UnknownLine::raise(channelTokenError));
    if (end.how == BlockEnd::How::EndOfStream) throw std::runtime_error(channelTokenError);
    // A channel the block left without keys holds its neutral value at every time.
    for (int i = 0; i < kChannelCount; ++i) {
        Envelope& envelope = channel(i);
        if (envelope.keyCount() != 0) continue;
        EnvelopeKey key;
        key.value = isScaleChannel(i) ? 1.0f : 0.0f;
        key.spanType = SpanStepped;
        envelope.addKey(key);
        envelope.setBehaviors(BehaviorConstant, BehaviorConstant);
    }
    return true;
}

bool KeyframerLW::save(std::ostream&) const { return true; }

float KeyframerLW::channelValue(int index, float time) const {
    const Envelope& envelope = channel(index);
    if (envelope.keyCount() == 0) return isScaleChannel(index) ? 1.0f : 0.0f;
    return envelope.evaluate(time);
}

Mat4 KeyframerLW::rotationMatrixAt(float time) const {
    return eulerMatrix(-channelValue(Heading, time), -channelValue(Pitch, time), -channelValue(Bank, time));
}

void KeyframerLW::evaluate(float time) {
    angles_[0] = -channelValue(Heading, time);
    angles_[1] = -channelValue(Pitch, time);
    angles_[2] = -channelValue(Bank, time);
    const Mat4 rotation = eulerMatrix(angles_[0], angles_[1], angles_[2]);
    setState(getPosition(time), Quat::fromMatrix(rotation.transposed()), rotation, getScale(time), true);
}

void KeyframerLW::beginTransform() const {
    // The three angle turns alone make the node's rotation; the quaternion holds the same rotation, so
    // turning by it as well would apply the rotation twice.
    glPushMatrix();
    glTranslatef(position().x, position().y, position().z);
    glRotatef(angles_[0] * kDegreesPerRadian, 0.0f, -1.0f, 0.0f);
    glRotatef(angles_[1] * kDegreesPerRadian, -1.0f, 0.0f, 0.0f);
    glRotatef(angles_[2] * kDegreesPerRadian, 0.0f, 0.0f, -1.0f);
    glScalef(scale().x, scale().y, scale().z);
}

void KeyframerLW::endTransform() const { glPopMatrix(); }

Vec3 KeyframerLW::getPosition(float time) const {
    return {channelValue(PositionX, time), channelValue(PositionY, time), channelValue(PositionZ, time)};
}

Vec3 KeyframerLW::getScale(float time) const {
    return {channelValue(ScaleX, time), channelValue(ScaleY, time), channelValue(ScaleZ, time)};
}

Mat4 KeyframerLW::getRotationMatrix(float time) const { return rotationMatrixAt(time); }

Quat KeyframerLW::getRotation(float time) const { return Quat::fromMatrix(rotationMatrixAt(time).transposed()); }

Vec3 KeyframerLW::getXAxis(float time) const { return rowOf(rotationMatrixAt(time), 0); }
Vec3 KeyframerLW::getYAxis(float time) const { return rowOf(rotationMatrixAt(time), 1); }
Vec3 KeyframerLW::getZAxis(float time) const { return rowOf(rotationMatrixAt(time), 2); }

}  // namespace qv3rn
