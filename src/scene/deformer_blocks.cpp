// deformer_blocks.cpp -- the keyword tables of the seven deformer blocks and the reading of one block.
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "anim/envelope_field.h"
#include "scene/deformers.h"

namespace qv3rn {

namespace {

// Where a row puts a number: a field of the deformer, or (SinWave) a field of the wave being read.
template <typename D>
using NumberOf = std::function<DeformValue&(D&)>;

// A switch line: on with "yes" or a non-zero number after the keyword.
bool switchedOn(const BlockLine& line) {
    std::int32_t number = 0;
    scanInteger(line.text, number);
    return number != 0 || matches(line.text, "yes");
}

template <typename D>
NumberOf<D> field(DeformValue D::*member) {
    return [member](D& deformer) -> DeformValue& { return deformer.*member; };
}

// "Key {" with an envelope, raising `error` when it cannot be read.
template <typename D>
Row<D> envelope(std::string keyword, NumberOf<D> number, const char* error) {
    return {std::move(keyword) + " {", [number, error](D& deformer, BlockLine& line) {
                number(deformer).envelope = readEnvelopeField(line, FieldClose::SkipToBrace, error);
            }};
}

// "Key {" with an envelope or "Key value" with a constant, the envelope row first since its keyword holds the
// other's.
template <typename D>
KeywordTable<D> number(std::string keyword, NumberOf<D> number, const char* error) {
    return {envelope<D>(keyword, number, error),
            {keyword + " ", [number](D& deformer, BlockLine& line) { scanFloat(line.text, number(deformer).value); }}};
}

const KeywordTable<BendDeformer> bendRows = joinRows<BendDeformer>(
    integers("Axis ", &BendDeformer::axis),
    number<BendDeformer>("Dir", field(&BendDeformer::direction), "unable to load bend direction envelope"),
    number<BendDeformer>("From", field(&BendDeformer::from), "unable to load bend from envelope"),
    number<BendDeformer>("To", field(&BendDeformer::to), "unable to load bend to envelope"),
    envelope<BendDeformer>("BendAngle", field(&BendDeformer::angle), "unable to load bend angle envelope"));

// "NegAxis " (a switch) comes before the "Axis " it contains.
const KeywordTable<MeltDeformer> meltRows = joinRows<MeltDeformer>(
    floats("Center ", &MeltDeformer::center), floats("Size ", &MeltDeformer::size),
    envelope<MeltDeformer>("Bulge", field(&MeltDeformer::bulge), "unable to load bulge envelope"),
    number<MeltDeformer>("YBR", field(&MeltDeformer::ybr), "unable to load YBR envelope"),
    number<MeltDeformer>("ZBR", field(&MeltDeformer::zbr), "unable to load ZBR envelope"),
    number<MeltDeformer>("Vis", field(&MeltDeformer::vis), "unable to load vis envelope"),
    Row<MeltDeformer>{"NegAxis ", [](MeltDeformer& melt, BlockLine& line) { melt.negativeAxis = switchedOn(line); }},
    integers("Axis ", &MeltDeformer::axis));

NumberOf<SinWaveDeformer> waveField(DeformValue SinWaveDeformer::Wave::*member) {
    return [member](SinWaveDeformer& deformer) -> DeformValue& { return deformer.readingWave().*member; };
}

const KeywordTable<SinWaveDeformer> sinWaveRows = joinRows<SinWaveDeformer>(
    Row<SinWaveDeformer>{"Axis ",
                         [](SinWaveDeformer& deformer, BlockLine& line) {
                             std::int32_t code = 0;
                             scanInteger(line.text, code);
                             deformer.startWave(code);
                         }},
    number<SinWaveDeformer>("Amp1", waveField(&SinWaveDeformer::Wave::amp1), "unable to load amplitude 1 envelope"),
    number<SinWaveDeformer>("Amp2", waveField(&SinWaveDeformer::Wave::amp2), "unable to load amplitude 2 envelope"),
    number<SinWaveDeformer>("Wave", waveField(&SinWaveDeformer::Wave::wavelength), "unable to load wave envelope"),
    number<SinWaveDeformer>("Phase", waveField(&SinWaveDeformer::Wave::phase), "unable to load phase envelope"),
    number<SinWaveDeformer>("Decay", waveField(&SinWaveDeformer::Wave::decay), "unable to load decay1 envelope"),
    number<SinWaveDeformer>("Flex", waveField(&SinWaveDeformer::Wave::flex), "unable to load flex envelope"));

const KeywordTable<TaperDeformer> taperRows = {
    integers("Axis ", &TaperDeformer::axis),
    floats("Center ", &TaperDeformer::center),
    floats("Min ", &TaperDeformer::min),
    floats("Max ", &TaperDeformer::max),
};
const KeywordTable<TaperDeformer> taper1Rows = joinRows<TaperDeformer>(
    taperRows, envelope<TaperDeformer>("Factor", field(&TaperDeformer::factorA), "unable to load factor envelope"));
const KeywordTable<TaperDeformer> taper2Rows = joinRows<TaperDeformer>(
    taperRows,
    envelope<TaperDeformer>("FactorA", field(&TaperDeformer::factorA), "unable to load factor A envelope"),
    envelope<TaperDeformer>("FactorB", field(&TaperDeformer::factorB), "unable to load factor B envelope"));

const KeywordTable<TwistDeformer> twistRows = joinRows<TwistDeformer>(
    integers("Axis ", &TwistDeformer::axis), integers("Coords ", &TwistDeformer::coords),
    floats("Size ", &TwistDeformer::size), floats("Center ", &TwistDeformer::center),
    envelope<TwistDeformer>("TwistAngle", field(&TwistDeformer::angle), "unable to load twister angle envelope"));

// "FiniteRange " (a switch) comes before the "Range " it holds.
const KeywordTable<WaveDeformer> waveRows = joinRows<WaveDeformer>(
    integers("Axis ", &WaveDeformer::axis), integers("Displace ", &WaveDeformer::displace),
    number<WaveDeformer>("Amplitude", field(&WaveDeformer::amplitude), "unable to load amplitude envelope"),
    envelope<WaveDeformer>("Phase", field(&WaveDeformer::phase), "unable to load phase envelope"),
    Row<WaveDeformer>{"FiniteRange ",
                      [](WaveDeformer& wave, BlockLine& line) { wave.finiteRange = switchedOn(line); }},
    number<WaveDeformer>("Range", field(&WaveDeformer::range), "unable to load range envelope"),
    envelope<WaveDeformer>("Wavelength", field(&WaveDeformer::wavelength), "unable to load wavelength envelope"));

template <typename D>
std::unique_ptr<Deformer> readWith(std::unique_ptr<D> deformer, const KeywordTable<D>& rows, BlockLine& line) {
    readKeywordBlock(line.parser, line.stream, *deformer, rows, UnknownLine::skip());
    deformer->finishReading();
    return deformer;
}

}  // namespace

std::unique_ptr<Deformer> readDeformer(DeformerKind kind, BlockLine& line) {
    switch (kind) {
        case DeformerKind::Bend: return readWith(std::make_unique<BendDeformer>(), bendRows, line);
        case DeformerKind::Melt: return readWith(std::make_unique<MeltDeformer>(), meltRows, line);
        case DeformerKind::SinWave: return readWith(std::make_unique<SinWaveDeformer>(), sinWaveRows, line);
        case DeformerKind::Taper1: return readWith(std::make_unique<TaperDeformer>(false), taper1Rows, line);
        case DeformerKind::Taper2: return readWith(std::make_unique<TaperDeformer>(true), taper2Rows, line);
        case DeformerKind::Twist: return readWith(std::make_unique<TwistDeformer>(), twistRows, line);
        case DeformerKind::Wave: return readWith(std::make_unique<WaveDeformer>(), waveRows, line);
    }
    throw std::logic_error("unknown deformer kind");
}

}  // namespace qv3rn
