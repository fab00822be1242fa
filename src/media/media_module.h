// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The boundary between the program and the half of src/media that uses
// FFmpeg. FFmpeg pulls in well over a hundred shared libraries, which would
// cost every run of kvelmor tens of milliseconds and megabytes of memory
// even to convert a song. So the FFmpeg code is built as a loadable module
// (kvelmor_media.so) that the static library kvelmor_media opens with
// dlopen the first time a media function is called, and only then.
//
// The module exports one C function, kKvelmorMediaModuleEntry, that returns
// a table of function pointers. The public functions (readMediaInfo in
// media_probe.h) call through that table; nothing else of the module is
// visible. Both halves are built from the same tree by the same compiler, so
// the table passes C++ types (std::string, std::optional, Reporter&) as they
// are. The module is never unloaded, so objects it makes may live as long as
// the program.
//
// Putting another group of functions behind the boundary (for example the
// decoding of video frames):
//   1. Put the FFmpeg code in its own .cpp under src/media, with its entry
//      points in namespace kvelmor::media::module (declared below), and add
//      the .cpp to the kvelmor_media_module target in CMakeLists.txt.
//   2. Add one function pointer per entry point at the end of
//      MediaModuleApi, fill it in media_module.cpp, and raise
//      kMediaModuleVersion.
//   3. Implement the public header's functions in a .cpp of the kvelmor_media
//      target (as media_module_loader.cpp does for readMediaInfo): get the table with
//      loadMediaModule(reporter, path) and call through it; without a table
//      the reason has been reported, so return "nothing".
//   Stateful objects (a decoder held open between frames) cross as a
//   std::unique_ptr to an abstract class declared in the public header and
//   implemented in the module; its virtual functions need no table entry.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/reporter.h"
#include "media/media_probe.h"
#include "media/song_sound.h"
#include "media/video_frames.h"
#include "media/video_rewriter.h"

namespace kvelmor::media {

// Raised whenever MediaModuleApi changes; a module of another version is
// refused rather than called with the wrong table.
inline constexpr uint32_t kMediaModuleVersion = 4;

struct MediaModuleApi {
    uint32_t version;  // kMediaModuleVersion of the module
    size_t size;       // sizeof(MediaModuleApi) of the module
    std::optional<MediaInfo> (*readMediaInfo)(const std::string& path, Reporter& reporter);
    std::unique_ptr<VideoFrames> (*openVideoFrames)(const std::string& path, Reporter& reporter);
    std::unique_ptr<VideoRewriter> (*openVideoRewriter)(const RewriteRequest& request, Reporter& reporter);
    std::optional<SongSound> (*decodeSongSound)(const std::string& path, const SoundRequest& request,
                                                Reporter& reporter, const std::atomic<bool>* cancel,
                                                const SoundProgress& progress);
};

// The name of the module's one exported function: const MediaModuleApi* (void).
inline constexpr const char* kKvelmorMediaModuleEntry = "kvelmor_media_module_api";
// The module's file name, looked for in the folders moduleSearchPaths() lists.
inline constexpr const char* kMediaModuleFileName = "kvelmor_media.so";

// Inside the module: the functions the table points to.
namespace module {
std::optional<MediaInfo> readMediaInfo(const std::string& path, Reporter& reporter);
std::unique_ptr<VideoFrames> openVideoFrames(const std::string& path, Reporter& reporter);
std::unique_ptr<VideoRewriter> openVideoRewriter(const RewriteRequest& request, Reporter& reporter);
std::optional<SongSound> decodeSongSound(const std::string& path, const SoundRequest& request, Reporter& reporter,
                                         const std::atomic<bool>* cancel, const SoundProgress& progress);
}  // namespace module

// The module's table, loaded on the first call and kept for the rest of the
// run. Nothing when the module cannot be found or loaded, or is of another
// version; every call then reports why, as an error naming `forFile` (the
// media file the caller was asked to read).
const MediaModuleApi* loadMediaModule(Reporter& reporter, const std::string& forFile);

}  // namespace kvelmor::media
