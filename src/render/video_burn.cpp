// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/video_burn.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "common/file_io.h"
#include "media/video_rewriter.h"
#include "render/frame_renderer.h"

namespace kvelmor::render {
namespace {

namespace fs = std::filesystem;

// Removes the temporary file unless it was renamed into place.
class Temporary {
public:
    explicit Temporary(std::string path) : m_path(std::move(path)) {}
    ~Temporary() {
        std::error_code ec;
        if (!m_kept) fs::remove(m_path, ec);
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
    const std::string& path() const { return m_path; }
    void keep() { m_kept = true; }

private:
    std::string m_path;
    bool m_kept = false;
};

bool refusedAsOutput(const std::string& target, const std::string& output, Reporter& reporter) {
    const std::string why = videoOutputRefusal(target);
    if (!why.empty()) reporter.error(why, output);
    return !why.empty();
}

}  // namespace

std::string videoOutputRefusal(const std::string& output) {
    std::error_code ec;
    std::string why;
    if (!fs::exists(output, ec) || isRegularFile(output, why)) return {};
    return "cannot be written: " + why + "; nothing was written";
}

BurnResult burnVideo(const BurnRequest& request, Reporter& reporter,
                     const std::function<bool(const BurnProgress&)>& progress) {
    std::error_code ec;
    if (fs::is_directory(request.output, ec)) {
        reporter.error("is a folder; give the name of the video to write", request.output);
        return BurnResult::Failed;
    }
    // Nothing read may be written over: the video goes to a file of its own.
    std::vector<std::string> inputs{request.media, request.backgroundImage};
    inputs.insert(inputs.end(), request.otherInputs.begin(), request.otherInputs.end());
    for (const std::string& input : inputs) {
        if (input.empty() || !sameFile(request.output, input)) continue;
        reporter.error("writing it would replace " + input + ", which the video is made from; nothing was written",
                       request.output);
        return BurnResult::Failed;
    }
    // Through a symbolic link the file it points to is replaced, as scripts
    // are; a file marked read-only is refused, not replaced.
    const std::string target = fs::is_symlink(request.output, ec) ? fs::weakly_canonical(request.output, ec).string()
                                                                   : request.output;
    if (fs::exists(target, ec) && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        reporter.error("cannot be written (" + std::string(std::strerror(errno)) + "); nothing was written",
                       request.output);
        return BurnResult::Failed;
    }
    if (refusedAsOutput(target, request.output, reporter)) return BurnResult::Failed;
    // Left by a burn that was killed; this one's goes when it ends.
    removeLeftoverTemporaries(target);
    FrameRenderer renderer(request.fontconfigFiles);
    renderer.setScript(request.script);
    Temporary temporary(temporaryPathFor(target, getpid()));

    media::RewriteRequest r;
    r.media = request.media;
    r.output = request.output;
    r.writeTo = temporary.path();
    r.stillImage = request.backgroundImage;
    r.stillColour[0] = request.background.r;
    r.stillColour[1] = request.background.g;
    r.stillColour[2] = request.background.b;
    // Sound only: the frame the script was laid out for.
    r.stillWidth = renderer.playResX();
    r.stillHeight = renderer.playResY();
    r.quality = request.quality;

    std::unique_ptr<media::VideoRewriter> video = media::VideoRewriter::open(r, reporter);
    if (!video) return BurnResult::Failed;
    const auto began = std::chrono::steady_clock::now();
    BurnProgress p;
    p.total = video->duration();
    media::Picture420 picture;
    int64_t microseconds = 0;
    while (video->next(picture, microseconds)) {
        // Milliseconds cut down, as players hand libass the time of a frame.
        renderer.drawOver(picture, microseconds / 1000);
        if (!video->write()) return BurnResult::Failed;
        ++p.frames;
        p.done = microseconds;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        p.framesPerSecond = seconds > 0 ? static_cast<double>(p.frames) / seconds : 0;
        p.secondsLeft = p.total > 0 && p.done > 0 ? seconds * static_cast<double>(p.total - p.done) / static_cast<double>(p.done) : -1;
        if (p.secondsLeft < 0 && p.total > 0 && p.done > 0) p.secondsLeft = 0;
        if (progress && !progress(p)) return BurnResult::Cancelled;
    }
    if (video->failed() || !video->finish()) return BurnResult::Failed;
    video.reset();
    for (const auto& complaint : renderer.takeComplaints()) reporter.warning("libass: " + complaint);
    // A pipe or device put in its place meanwhile is not replaced either.
    if (refusedAsOutput(target, request.output, reporter)) return BurnResult::Failed;
    fs::rename(temporary.path(), target, ec);
    if (ec) {
        reporter.error("cannot be written (" + ec.message() + ")", request.output);
        return BurnResult::Failed;
    }
    temporary.keep();
    return BurnResult::Written;
}

}  // namespace kvelmor::render
