// SPDX-License-Identifier: GPL-3.0-or-later
// The module's one exported symbol: the table of its functions.

#include "media/media_module.h"

namespace {

const kvelmor::media::MediaModuleApi kApi{
    kvelmor::media::kMediaModuleVersion,
    sizeof(kvelmor::media::MediaModuleApi),
    &kvelmor::media::module::readMediaInfo,
    &kvelmor::media::module::openVideoFrames,
    &kvelmor::media::module::openVideoRewriter,
    &kvelmor::media::module::decodeSongSound,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const kvelmor::media::MediaModuleApi* kvelmor_media_module_api() {
    return &kApi;
}
