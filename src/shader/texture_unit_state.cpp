// texture_unit_state.cpp -- the "Texture {" block, binding the unit's image and loading its texture matrix.
#include "shader/texture_unit_state.h"

#include <stdexcept>
#include <string>

#include "anim/envelope_field.h"
#include "gl/extensions.h"
#include "shader/image_registry.h"
#include "shader/shader.h"
#include "shader/shader_manager.h"
#include "shader/shader_script_loader.h"
#include "shader/state_block.h"
#include "shader/state_writer.h"

namespace qv3rn {

namespace {

// Keyword spellings of the channels as written back and as named in their load errors.
const char* const channelNames[textureMatrixChannelCount] = {
    "TranslateS", "TranslateT", "TranslateR", "TranslateQ", "RotateH", "RotateP",
    "RotateB",    "ScaleS",     "ScaleT",     "ScaleR",     "ScaleQ",
};

const NamedValue unitNames[] = {
    {"UNIT0", GL_TEXTURE0_ARB}, {"UNIT1", GL_TEXTURE1_ARB}, {"UNIT2", GL_TEXTURE2_ARB}, {"UNIT3", GL_TEXTURE3_ARB},
    {"UNIT4", GL_TEXTURE4_ARB}, {"UNIT5", GL_TEXTURE5_ARB}, {"UNIT6", GL_TEXTURE6_ARB}, {"UNIT7", GL_TEXTURE7_ARB},
};

constexpr float degreesPerRadian = 57.29578f;

// An envelope block for one channel, then the stream up to and including the field's own "}".
template <TextureMatrixChannel channel>
void readChannel(TextureUnitState& state, BlockLine& line) {
    auto envelope = readEnvelopeField(line, FieldClose::SkipToBrace);
    if (!envelope)
        throw std::runtime_error(std::string("PARSE ERROR! Unable to load ") +
                                 channelNames[static_cast<int>(channel)] + " envelope");
    state.setEnvelope(channel, std::move(envelope));
}

// The image registry's image of the quoted name, which must have been read before the shader.
void readImage(TextureUnitState& state, BlockLine& line) {
    const std::string name = quotedText(line.text);
    Handle<Texture> image = ImageRegistry::instance().find(name);
    if (!image) throw std::runtime_error("unable to find image: " + name);
    state.setImage(std::move(image));
}

using C = TextureMatrixChannel;
const KeywordTable<TextureUnitState> textureRows = {
    {"Image ", readImage},
    {"TexUnit ", [](TextureUnitState& s, BlockLine& l) { s.unit = firstName(l.text, unitNames).value_or(s.unit); }},
    {"CoordU {", readChannel<C::TranslateS>},
    {"TranslateS {", readChannel<C::TranslateS>},
    {"CoordV {", readChannel<C::TranslateT>},
    {"TranslateT {", readChannel<C::TranslateT>},
    {"TranslateR {", readChannel<C::TranslateR>},
    {"TranslateQ {", readChannel<C::TranslateQ>},
    {"CoordR {", readChannel<C::RotateH>},
    {"RotateH {", readChannel<C::RotateH>},
    {"RotateP {", readChannel<C::RotateP>},
    {"RotateB {", readChannel<C::RotateB>},
    {"ScaleS {", readChannel<C::ScaleS>},
    {"ScaleT {", readChannel<C::ScaleT>},
    {"ScaleR {", readChannel<C::ScaleR>},
    {"ScaleQ {", readChannel<C::ScaleQ>},
};

unsigned groupOf(TextureMatrixChannel channel) {
    if (channel <= C::TranslateQ) return TextureUnitState::Translation;
    if (channel <= C::RotateB) return TextureUnitState::Rotation;
    return TextureUnitState::Scale;
}

}  // namespace

bool readTextureBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader) {
    auto owned = std::make_unique<TextureUnitState>();
    TextureUnitState& state = *owned;
    shader.addState(std::move(owned));
    readKeywordBlock(loader, stream, state, textureRows, UnknownLine::raise("PARSE ERROR! Unknown Texture Token"));
    return true;
}

TextureUnitState::TextureUnitState() : RenderState(RenderStateKind::TextureUnit) {}

TextureUnitState::~TextureUnitState() {
    if (image_) ImageRegistry::instance().releaseHandle(image_);
}

void TextureUnitState::setImage(Handle<Texture> image) {
    if (image_) ImageRegistry::instance().releaseHandle(image_);
    image_ = std::move(image);
}

void TextureUnitState::setEnvelope(TextureMatrixChannel channel, std::unique_ptr<Envelope> envelope) {
    envelopes_[index(channel)] = std::move(envelope);
    matrixFlags_ |= groupOf(channel);
}

// Binding the image selects the unit already; selecting it here too keeps a unit without an image from
// loading the matrix of whichever unit happens to be active.
void TextureUnitState::selectUnit() const {
    if (glActiveTextureARB) glActiveTextureARB(unit);
}

void TextureUnitState::loadTextureMatrix(float time) const {
    auto value = [&](TextureMatrixChannel channel, float fallback) {
        const Envelope* envelope = envelopes_[index(channel)].get();
        return envelope ? envelope->evaluate(time) : fallback;
    };
    selectUnit();
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    if (matrixFlags_ & Translation)
        glTranslatef(value(C::TranslateS, 0.0f), value(C::TranslateT, 0.0f), value(C::TranslateR, 0.0f));
    if (matrixFlags_ & Rotation) {
        glRotatef(-value(C::RotateH, 0.0f) * degreesPerRadian, 0.0f, 1.0f, 0.0f);
        glRotatef(-value(C::RotateP, 0.0f) * degreesPerRadian, 1.0f, 0.0f, 0.0f);
        glRotatef(-value(C::RotateB, 0.0f) * degreesPerRadian, 0.0f, 0.0f, 1.0f);
    }
    if (matrixFlags_ & Scale) {
        const float scale[16] = {value(C::ScaleS, 1.0f), 0, 0, 0, 0, value(C::ScaleT, 1.0f), 0, 0,
                                 0, 0, value(C::ScaleR, 1.0f), 0, 0, 0, 0, value(C::ScaleQ, 1.0f)};
        glMultMatrixf(scale);
    }
    glMatrixMode(GL_MODELVIEW);
}

void TextureUnitState::apply() {
    if (RenderStateLocks::isLocked(kind())) return;
    if (image_) image_->bind(unit);
    if (matrixFlags_ != 0) loadTextureMatrix(ShaderManager::currentFrameTime());
}

void TextureUnitState::restore() {
    if (RenderStateLocks::isLocked(kind())) return;
    if (image_) image_->unbind(unit);
    if (matrixFlags_ != 0) {
        selectUnit();
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
    }
}

void TextureUnitState::write(std::ostream& out) const {
    writeBlockOpener(out, "Texture");
    if (image_) out << "\t\tImage\t\"" << image_->name() << "\"\n";
    writeField(out, "TexUnit", nameOf(unit, unitNames));
    for (int i = 0; i < textureMatrixChannelCount; ++i)
        if (envelopes_[i]) writeEnvelopeField(out, channelNames[i], *envelopes_[i]);
    writeBlockCloser(out);
}

}  // namespace qv3rn
