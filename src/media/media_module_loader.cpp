// SPDX-License-Identifier: GPL-3.0-or-later
// The program's half of src/media: finds and opens kvelmor_media.so on the
// first call, and forwards the public functions to it.

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <vector>

#include "media/media_module.h"

#ifndef KVELMOR_MEDIA_MODULE_BUILD_PATH
#define KVELMOR_MEDIA_MODULE_BUILD_PATH ""
#endif
#ifndef KVELMOR_MEDIA_MODULE_INSTALL_DIR
#define KVELMOR_MEDIA_MODULE_INSTALL_DIR ""
#endif
#ifndef KVELMOR_MEDIA_MODULE_RELATIVE_DIR
#define KVELMOR_MEDIA_MODULE_RELATIVE_DIR "lib/kvelmor"
#endif

namespace kvelmor::media {
namespace {

namespace fs = std::filesystem;

// Where the module may be, in the order tried: $KVELMOR_MEDIA_MODULE alone
// when it is set; otherwise beside an installed program (PREFIX/bin/kvelmor
// finds PREFIX/lib/kvelmor/, wherever the prefix was moved), the build tree
// this program was built in, and the prefix it was configured to install to.
std::vector<fs::path> moduleSearchPaths() {
    if (const char* forced = std::getenv("KVELMOR_MEDIA_MODULE"); forced != nullptr && *forced != '\0')
        return {fs::path(forced)};
    std::vector<fs::path> paths;
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) paths.push_back(exe.parent_path().parent_path() / KVELMOR_MEDIA_MODULE_RELATIVE_DIR / kMediaModuleFileName);
    for (const char* p : {KVELMOR_MEDIA_MODULE_BUILD_PATH, KVELMOR_MEDIA_MODULE_INSTALL_DIR}) {
        if (*p == '\0') continue;
        fs::path candidate(p);
        if (candidate.filename() != kMediaModuleFileName) candidate /= kMediaModuleFileName;
        paths.push_back(candidate);
    }
    return paths;
}

// Why dlopen failed, in the loader's own words, with a hint only where the
// words point to one: a library the module needs is missing, or there was no
// room to map it (a memory limit such as ulimit -v).
std::string loadFailure(const fs::path& path) {
    const char* said = dlerror();
    const std::string why = said != nullptr ? said : "the loader gave no reason";
    std::string text = "the media module " + path.string() + " could not be loaded: " + why;
    if (why.find("cannot open shared object file") != std::string::npos)
        text += " (a library it needs is missing: are FFmpeg's libraries, libavformat and libswscale, installed?)";
    else if (why.find("failed to map segment") != std::string::npos ||
             why.find("Cannot allocate memory") != std::string::npos)
        text += " (there was not enough memory to load FFmpeg's libraries; is the memory of the process limited?)";
    return text;
}

struct Loaded {
    const MediaModuleApi* api = nullptr;
    std::string failure;  // why there is no table, for every caller
};

Loaded load() {
    Loaded out;
    std::string tried;
    for (const fs::path& path : moduleSearchPaths()) {
        tried += (tried.empty() ? "" : ", ") + path.string();
        std::error_code ec;
        if (!fs::is_regular_file(path, ec)) continue;
        // RTLD_LOCAL: FFmpeg's symbols stay the module's own.
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            out.failure = loadFailure(path);
            return out;
        }
        using Entry = const MediaModuleApi* (*)();
        auto entry = reinterpret_cast<Entry>(dlsym(handle, kKvelmorMediaModuleEntry));
        const MediaModuleApi* api = entry != nullptr ? entry() : nullptr;
        if (api == nullptr || api->version != kMediaModuleVersion || api->size != sizeof(MediaModuleApi)) {
            out.failure = "the media module " + path.string() +
                          " belongs to another version of kvelmor; build and install both from one tree";
            return out;  // left open: another version's code is never run, and closing it gains nothing
        }
        out.api = api;
        return out;
    }
    out.failure = "reading media files needs kvelmor's media module, which was not found (looked for " + tried +
                  "); build the target kvelmor_media_module, or install kvelmor with cmake --install";
    return out;
}

}  // namespace

const MediaModuleApi* loadMediaModule(Reporter& reporter, const std::string& forFile) {
    static std::once_flag once;
    static Loaded loaded;
    std::call_once(once, [] { loaded = load(); });
    if (loaded.api == nullptr) reporter.error(loaded.failure, forFile);
    return loaded.api;
}

std::optional<MediaInfo> readMediaInfo(const std::string& path, Reporter& reporter) {
    const MediaModuleApi* api = loadMediaModule(reporter, path);
    if (api == nullptr) return std::nullopt;
    return api->readMediaInfo(path, reporter);
}

std::unique_ptr<VideoFrames> VideoFrames::open(const std::string& path, Reporter& reporter) {
    const MediaModuleApi* api = loadMediaModule(reporter, path);
    if (api == nullptr) return nullptr;
    return api->openVideoFrames(path, reporter);
}

std::unique_ptr<VideoRewriter> VideoRewriter::open(const RewriteRequest& request, Reporter& reporter) {
    const MediaModuleApi* api = loadMediaModule(reporter, request.media);
    if (api == nullptr) return nullptr;
    return api->openVideoRewriter(request, reporter);
}

std::optional<SongSound> decodeSongSound(const std::string& path, const SoundRequest& request, Reporter& reporter,
                                         const std::atomic<bool>* cancel, const SoundProgress& progress) {
    const MediaModuleApi* api = loadMediaModule(reporter, path);
    if (api == nullptr) return std::nullopt;
    return api->decodeSongSound(path, request, reporter, cancel, progress);
}

}  // namespace kvelmor::media
