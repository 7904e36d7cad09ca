// music.cpp -- Vorbis decoding with libvorbisfile, and the music's playback on the sound device.
#include "demo/music.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/input_limits.h"
#include "data/resource_reader.h"

namespace qv3rn {

namespace {

// A memory image of the file read through the decoder's callbacks.
struct MemorySource {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

std::size_t readMemory(void* out, std::size_t size, std::size_t count, void* source) {
    auto* memory = static_cast<MemorySource*>(source);
    if (size == 0) return 0;
    const std::size_t wanted = size * count;
    const std::size_t left = memory->size - memory->at;
    const std::size_t taken = (wanted < left ? wanted : left) / size * size;
    if (taken == 0) return 0;
    std::memcpy(out, memory->data + memory->at, taken);
    memory->at += taken;
    return taken / size;
}

int seekMemory(void* source, ogg_int64_t offset, int whence) {
    auto* memory = static_cast<MemorySource*>(source);
    ogg_int64_t base = 0;
    if (whence == SEEK_CUR) base = static_cast<ogg_int64_t>(memory->at);
    else if (whence == SEEK_END) base = static_cast<ogg_int64_t>(memory->size);
    else if (whence != SEEK_SET) return -1;
    const ogg_int64_t target = base + offset;
    if (target < 0 || target > static_cast<ogg_int64_t>(memory->size)) return -1;
    memory->at = static_cast<std::size_t>(target);
    return 0;
}

long tellMemory(void* source) { return static_cast<long>(static_cast<MemorySource*>(source)->at); }

const char* openErrorText(int code) {
    switch (code) {
        case OV_EREAD: return "unable to read the file";
        case OV_ENOTVORBIS: return "not an Ogg Vorbis file";
        case OV_EVERSION: return "unsupported Vorbis version";
        case OV_EBADHEADER: return "damaged Vorbis header";
        default: return "damaged Ogg Vorbis stream";
    }
}

// Reads every sample of an opened stream.
bool decodeOpened(OggVorbis_File& file, platform::PcmBuffer& pcm, std::string& error) {
    const vorbis_info* info = ov_info(&file, -1);
    if (!info || info->channels <= 0 || info->channels > 8 || info->rate <= 0 || info->rate > 384000) {
        error = "unsupported Vorbis format";
        return false;
    }
    platform::PcmBuffer decoded;
    decoded.channels = info->channels;
    decoded.sampleRate = static_cast<int>(info->rate);
    // The length the stream announces (its last page's position) is only believed up to the reading allowance:
    // beyond it the buffer grows with the samples that really come.
    const ogg_int64_t announced = ov_pcm_total(&file, -1);
    if (announced > 0) {
        const std::uint64_t samples =
            static_cast<std::uint64_t>(announced) * static_cast<std::uint64_t>(decoded.channels);
        decoded.samples.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(samples, readingAllowance / 2)));
    }

    char buffer[16384];
    int section = 0;
    for (;;) {
        const long got = ov_read(&file, buffer, sizeof buffer, 0 /* little endian */, 2, 1, &section);
        if (got == 0) break;
        if (got == OV_HOLE) continue;  // a gap in the data: the decoder resumes after it
        if (got < 0) {
            error = "damaged Ogg Vorbis stream";
            return false;
        }
        const vorbis_info* current = ov_info(&file, section);
        if (!current || current->channels != decoded.channels || current->rate != decoded.sampleRate) {
            error = "the stream changes its rate or channel count";
            return false;
        }
        if ((decoded.samples.size() + static_cast<std::size_t>(got) / 2) * 2 > maxDecodedBytes) {
            error = "the music is longer than the player takes";
            return false;
        }
        const std::size_t count = static_cast<std::size_t>(got) / 2;
        const std::size_t at = decoded.samples.size();
        decoded.samples.resize(at + count);
        for (std::size_t i = 0; i < count; ++i) {
            const auto low = static_cast<std::uint8_t>(buffer[2 * i]);
            const auto high = static_cast<std::uint8_t>(buffer[2 * i + 1]);
            decoded.samples[at + i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
        }
    }
    // A partial frame at the end (impossible for a sound stream, but cheap to rule out).
    decoded.samples.resize(decoded.frames() * static_cast<std::size_t>(decoded.channels));
    if (decoded.samples.empty()) {
        error = "the stream holds no samples";
        return false;
    }
    pcm = std::move(decoded);
    return true;
}

}  // namespace

bool decodeVorbisMemory(const std::uint8_t* data, std::size_t size, platform::PcmBuffer& pcm, std::string& error) {
    MemorySource source{data, data ? size : 0};
    const ov_callbacks callbacks{readMemory, seekMemory, nullptr, tellMemory};
    OggVorbis_File file;
    const int opened = ov_open_callbacks(&source, &file, nullptr, 0, callbacks);
    if (opened != 0) {
        error = openErrorText(opened);
        return false;
    }
    const bool decoded = decodeOpened(file, pcm, error);
    ov_clear(&file);
    return decoded;
}

bool decodeVorbisFile(const std::string& path, platform::PcmBuffer& pcm, std::string& error) {
    std::FILE* stream = std::fopen(resourceName(path).c_str(), "rb");
    if (!stream) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    OggVorbis_File file;
    // On success the decoder owns the stream and closes it in ov_clear; on failure the caller closes it.
    const int opened = ov_open_callbacks(stream, &file, nullptr, 0, OV_CALLBACKS_DEFAULT);
    if (opened != 0) {
        std::fclose(stream);
        error = path + ": " + openErrorText(opened);
        return false;
    }
    const bool decoded = decodeOpened(file, pcm, error);
    ov_clear(&file);
    if (!decoded) error = path + ": " + error;
    return decoded;
}

bool Music::openDevice() {
    if (!sample_) {
        error_ = "no sample loaded";
        return false;
    }
    if (!output_.open(sample_->sampleRate, sample_->channels)) {
        error_ = output_.error();
        return false;
    }
    return true;
}

bool Music::loadSample(const std::string& path) {
    auto pcm = std::make_shared<platform::PcmBuffer>();
    if (!decodeVorbisFile(path, *pcm, error_)) return false;
    sample_ = std::move(pcm);
    return true;
}

std::size_t Music::frameAt(double seconds) const {
    if (!sample_ || !(seconds > 0.0)) return 0;
    const double frame = std::floor(seconds * sample_->sampleRate);
    const auto total = static_cast<double>(sample_->frames());
    return static_cast<std::size_t>(frame < total ? frame : total);
}

bool Music::play(double seconds) {
    if (!sample_ || !output_.isOpen()) return false;
    playing_ = output_.play(sample_, frameAt(seconds));
    if (!playing_) error_ = output_.error();
    return playing_;
}

void Music::setPaused(bool paused) {
    if (playing_) output_.setPaused(paused);
}

void Music::seek(double seconds) {
    if (playing_) output_.seekFrame(frameAt(seconds));
}

double Music::position() const {
    if (!playing_ || !sample_) return 0.0;
    return static_cast<double>(output_.positionFrame()) / sample_->sampleRate;
}

void Music::free() {
    output_.close();
    sample_.reset();
    playing_ = false;
}

}  // namespace qv3rn
