// ogg_encoder.cpp -- the libvorbisenc analysis loop writing Ogg pages to a file.
#include "generators/ogg_encoder.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include <vorbis/vorbisenc.h>

namespace qv3rn {

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

}  // namespace

bool encodeOggVorbis(const std::vector<float>& interleaved, int channels, int sampleRate, float quality,
                     const std::string& path, std::string& error) {
    if (channels < 1 || channels > 8) {
        error = "unable to encode " + std::to_string(channels) + " channels into " + path;
        return false;
    }
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = "unable to write " + path;
        return false;
    }
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, sampleRate, quality) != 0) {
        vorbis_info_clear(&info);
        error = "the Vorbis encoder refused its settings for " + path;
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", "QV3RN * 10");
    vorbis_comment_add_tag(&comment, "ARTIST", "Dravinoke");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 0x51763372);
    bool ok = true;
    ogg_page page;
    auto writePage = [&]() {
        ok = ok && std::fwrite(page.header, 1, static_cast<size_t>(page.header_len), file.get()) ==
                       static_cast<size_t>(page.header_len);
        ok = ok && std::fwrite(page.body, 1, static_cast<size_t>(page.body_len), file.get()) ==
                       static_cast<size_t>(page.body_len);
    };
    {
        ogg_packet header, commentHeader, codeHeader;
        vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
        ogg_stream_packetin(&stream, &header);
        ogg_stream_packetin(&stream, &commentHeader);
        ogg_stream_packetin(&stream, &codeHeader);
        while (ogg_stream_flush(&stream, &page) != 0) writePage();
    }
    const size_t channelCount = static_cast<size_t>(channels);
    const size_t frames = interleaved.size() / channelCount;
    const size_t chunk = 4096;
    for (size_t done = 0; ok; done += chunk) {
        const size_t count = done < frames ? std::min(chunk, frames - done) : 0;
        if (count == 0) {
            vorbis_analysis_wrote(&dsp, 0);  // end of stream
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (size_t i = 0; i < count; ++i)
                for (size_t c = 0; c < channelCount; ++c) buffer[c][i] = interleaved[(done + i) * channelCount + c];
            vorbis_analysis_wrote(&dsp, static_cast<int>(count));
        }
        bool endOfStream = false;
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    writePage();
                    if (ogg_page_eos(&page)) endOfStream = true;
                }
            }
        }
        if (count == 0 || endOfStream) break;
    }
    while (ogg_stream_flush(&stream, &page) != 0) writePage();
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    if (!ok) error = "unable to write " + path;
    return ok;
}

}  // namespace qv3rn
