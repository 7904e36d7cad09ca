// capture.cpp -- the PNG folder sink and the choice between it and a video file.
#include "demo/capture.h"

#include <cctype>
#include <cstdio>
#include <filesystem>

#include "demo/capture_video.h"
#include "effects/frame_renderer.h"
#include "image/png_writer.h"

namespace qv3rn {

PngFolderSink::PngFolderSink(std::string folder, int width, int height)
    : folder_(std::move(folder)), width_(width), height_(height) {}

bool PngFolderSink::open() {
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    if (!std::filesystem::is_directory(folder_, error))
        return fail(folder_ + ": unable to make the capture folder" + (error ? ": " + error.message() : ""));
    return true;
}

std::string PngFolderSink::frameName(long long index) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06lld.png", index);
    return name;
}

bool PngFolderSink::writeFrame(const std::vector<std::uint8_t>& rgba) {
    const std::string path = (std::filesystem::path(folder_) / frameName(framesWritten_)).string();
    std::string problem;
    if (!writePngFile(path, width_, height_, 4, rgba, problem)) return fail(problem);
    ++framesWritten_;
    return true;
}

bool isVideoPath(const std::string& out) {
    const std::size_t dot = out.rfind('.');
    if (dot == std::string::npos || out.find('/', dot) != std::string::npos) return false;
    std::string extension = out.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == "mp4" || extension == "mkv";
}

std::unique_ptr<FrameSink> openFrameSink(const VideoSettings& settings, std::string& error) {
    if (isVideoPath(settings.path)) {
        std::unique_ptr<VideoFileSink> video = VideoFileSink::open(settings, error);
        return video;
    }
    auto folder = std::make_unique<PngFolderSink>(settings.path, settings.width, settings.height);
    if (!folder->open()) {
        error = folder->error();
        return nullptr;
    }
    return folder;
}

}  // namespace qv3rn
