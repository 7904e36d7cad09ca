// lwo_surface.cpp -- reading surfaces with their texture blocks, image clips and envelopes.
#include <algorithm>
#include <initializer_list>

#include "import/lwo_chunks.h"

namespace qv3rn::lwo {

namespace {

// Sub-chunks of surfaces, blocks, clips and envelopes: a four-character id, a 16-bit size, padded data.
// Other tools write some sub-chunks shorter than their fields (an antialiasing sub-chunk of two bytes, say).
// One that holds what the engine uses (its id in `used`) is refused, naming it; any other is read as far as
// it goes and the rest of its fields keep their defaults, since nothing reads them.
template <typename Handler>
void forEachSubChunk(LwoBytes& range, std::initializer_list<LwoId> used, Handler&& handle) {
    while (!range.atEnd()) {
        if (range.remaining() < 6) throw LwoFormatError("a sub-chunk header is cut short");
        const LwoId id = range.id4();
        const std::uint16_t size = range.u2();
        LwoBytes data = range.take(size, ("sub-chunk " + lwoIdText(id)).c_str());
        try {
            handle(id, data);
        } catch (const LwoFormatError& failure) {
            if (std::find(used.begin(), used.end(), id) != used.end())
                throw LwoFormatError("sub-chunk " + lwoIdText(id) + ": " + failure.what());
        }
        range.skipPad(size);
    }
}

// A value followed by the envelope that animates it; the envelope index may be left out.
LwoValue value(LwoBytes& data) {
    LwoValue result;
    result.value = data.f4();
    if (!data.atEnd()) result.envelope = data.vx();
    return result;
}

Vec3 vectorWithEnvelope(LwoBytes& data, int& envelope) {
    const Vec3 v = data.vec12();
    if (!data.atEnd()) envelope = data.vx();
    return v;
}

// The block header's sub-chunks: channel, enable, opacity, displacement axis, negative.
void readBlockHeader(LwoBytes& header, LwoTexture& texture) {
    texture.ordinal = header.s0();
    forEachSubChunk(header, {lwoId("CHAN")}, [&](LwoId id, LwoBytes& data) {
        switch (id) {
        case lwoId("CHAN"): texture.channel = data.id4(); break;
        case lwoId("ENAB"): texture.enabled = data.u2() != 0; break;
        case lwoId("OPAC"):
            texture.opacityType = data.u2();
            texture.opacity = value(data);
            break;
        case lwoId("AXIS"): texture.displacementAxis = data.u2(); break;
        case lwoId("NEGA"): texture.negative = data.u2() != 0; break;
        default: break;
        }
    });
}

void readMapping(LwoBytes& range, LwoTextureMapping& mapping) {
    int unusedEnvelope = 0;
    forEachSubChunk(range, {lwoId("CNTR"), lwoId("SIZE")}, [&](LwoId id, LwoBytes& data) {
        switch (id) {
        case lwoId("CNTR"): mapping.centre = vectorWithEnvelope(data, unusedEnvelope); break;
        case lwoId("SIZE"): mapping.size = vectorWithEnvelope(data, unusedEnvelope); break;
        case lwoId("ROTA"): mapping.rotation = vectorWithEnvelope(data, unusedEnvelope); break;
        case lwoId("OREF"): mapping.referenceObject = data.s0(); break;
        case lwoId("FALL"):
            mapping.falloffType = data.u2();
            mapping.falloff = vectorWithEnvelope(data, unusedEnvelope);
            break;
        case lwoId("CSYS"): mapping.coordinateSystem = data.u2(); break;
        default: break;
        }
    });
}

// A "BLOK": its first sub-chunk is the header, whose id says the kind of texture; the rest are the mapping
// and the kind's own parameters. A block of an unknown kind is skipped (false).
bool readBlock(LwoBytes& block, LwoTexture& texture) {
    if (block.remaining() < 6) throw LwoFormatError("a texture block is cut short");
    const LwoId kind = block.id4();
    const std::uint16_t headerSize = block.u2();
    LwoBytes header = block.take(headerSize, "a texture block header");
    block.skipPad(headerSize);
    switch (kind) {
    case lwoId("IMAP"): texture.type = LwoTextureType::Image; break;
    case lwoId("PROC"): texture.type = LwoTextureType::Procedural; break;
    case lwoId("GRAD"): texture.type = LwoTextureType::Gradient; break;
    case lwoId("SHDR"): texture.type = LwoTextureType::Shader; break;
    default: return false;
    }
    readBlockHeader(header, texture);
    const std::initializer_list<LwoId> used = {lwoId("TMAP"), lwoId("PROJ"), lwoId("AXIS"), lwoId("VMAP")};
    forEachSubChunk(block, used, [&](LwoId id, LwoBytes& data) {
        switch (id) {
        case lwoId("TMAP"): readMapping(data, texture.mapping); break;
        case lwoId("PROJ"): texture.projection = projectionFromFileCode(data.u2()); break;
        case lwoId("AXIS"): texture.axis = data.u2() + 1; break;
        case lwoId("IMAG"): texture.clip = data.vx(); break;
        case lwoId("WRAP"):
            texture.wrapWidth = data.u2();
            texture.wrapHeight = data.u2();
            break;
        case lwoId("WRPW"): texture.wrapWidthAmount = value(data); break;
        case lwoId("WRPH"): texture.wrapHeightAmount = value(data); break;
        case lwoId("VMAP"): texture.pointMap = data.s0(); break;
        case lwoId("AAST"):
            texture.antialiasing = data.u2();
            texture.antialiasingStrength = data.f4();
            break;
        case lwoId("PIXB"): texture.pixelBlending = (data.u2() & 1) != 0; break;
        case lwoId("STCK"):
            texture.stickyProjection = data.u2();
            texture.stickyTime = data.f4();
            break;
        case lwoId("TAMP"): texture.amplitude = value(data); break;
        case lwoId("FUNC"): texture.function = data.s0(); break;
        case lwoId("PNAM"): texture.gradientParameter = data.s0(); break;
        case lwoId("INAM"): texture.gradientItem = data.s0(); break;
        default: break;
        }
    });
    return true;
}

}  // namespace

std::unique_ptr<LwoSurface> readSurface(LwoBytes chunk) {
    auto surface = std::make_unique<LwoSurface>();
    surface->name = chunk.s0();
    surface->source = chunk.s0();
    forEachSubChunk(chunk, {lwoId("BLOK")}, [&](LwoId id, LwoBytes& data) {
        LwoSurface& s = *surface;
        switch (id) {
        case colourChannel: s.colour.rgb = vectorWithEnvelope(data, s.colour.envelope); break;
        case luminosityChannel: s.luminosity = value(data); break;
        case diffuseChannel: s.diffuse = value(data); break;
        case specularChannel: s.specular = value(data); break;
        case lwoId("REFL"): s.reflection = value(data); break;
        case lwoId("TRAN"): s.transparency = value(data); break;
        case lwoId("TRNL"): s.translucency = value(data); break;
        case lwoId("GLOS"): s.glossiness = value(data); break;
        case lwoId("SHRP"): s.sharpness = value(data).value; break;
        case lwoId("BUMP"): s.bump = value(data); break;
        case lwoId("SIDE"): s.sidedness = data.u2(); break;
        case lwoId("SMAN"): s.smoothingAngle = data.f4(); break;
        case lwoId("RFOP"): s.reflectionOptions = data.u2(); break;
        case lwoId("TROP"): s.refractionOptions = data.u2(); break;
        case lwoId("RIMG"): s.reflectionImage = data.vx(); break;
        case lwoId("TIMG"): s.refractionImage = data.vx(); break;
        case lwoId("RSAN"): s.reflectionSeamAngle = value(data); break;
        case lwoId("RIND"): s.refractiveIndex = value(data); break;
        case lwoId("CLRH"): s.colourHighlights = value(data); break;
        case lwoId("CLRF"): s.colourFilter = value(data); break;
        case lwoId("ADTR"): s.additiveTransparency = value(data); break;
        case lwoId("GLOW"):
            s.glowType = data.u2();
            s.glowIntensity.value = data.f4();
            s.glowIntensity.envelope = data.vx();
            s.glowSize = value(data);
            break;
        case lwoId("ALPH"):
            s.alphaMode = data.u2();
            s.alphaValue = data.f4();
            break;
        case lwoId("VCOL"):
            s.vertexColourIntensity = data.f4();
            data.vx();  // the intensity's envelope
            s.vertexColourMapType = data.id4();
            s.vertexColourMap = data.s0();
            break;
        case lwoId("BLOK"): {
            LwoTexture texture;
            if (readBlock(data, texture)) s.textures.push_back(std::move(texture));
            break;
        }
        default: break;
        }
    });
    return surface;
}

LwoClip readClip(LwoBytes chunk) {
    LwoClip clip;
    clip.index = static_cast<int>(chunk.u4());
    forEachSubChunk(chunk, {}, [&](LwoId id, LwoBytes& data) {
        if (id == lwoId("STIL")) clip.stillImage = data.s0();
    });
    return clip;
}

LwoEnvelope readEnvelope(LwoBytes chunk) {
    LwoEnvelope envelope;
    envelope.index = chunk.vx();
    forEachSubChunk(chunk, {}, [&](LwoId id, LwoBytes& data) {
        switch (id) {
        case lwoId("TYPE"): envelope.type = data.u2(); break;
        case lwoId("PRE "): envelope.preBehaviour = data.u2(); break;
        case lwoId("POST"): envelope.postBehaviour = data.u2(); break;
        case lwoId("NAME"): envelope.name = data.s0(); break;
        case lwoId("KEY "): {
            LwoEnvelopeKey key;
            key.time = data.f4();
            key.value = data.f4();
            envelope.keys.push_back(std::move(key));
            break;
        }
        case lwoId("SPAN"): {
            // The span's shape applies to the interval that ends at the key just read.
            if (envelope.keys.empty()) break;
            LwoEnvelopeKey& key = envelope.keys.back();
            key.spanType = data.id4();
            key.parameters.clear();
            while (data.remaining() >= 4) key.parameters.push_back(data.f4());
            break;
        }
        default: break;  // "CHAN" plug-ins are not evaluated here
        }
    });
    return envelope;
}

}  // namespace qv3rn::lwo
