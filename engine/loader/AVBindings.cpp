#include "engine/loader/AVBindings.h"

namespace vidrelo {
namespace {

#define VIDRELO_REQUIRED(name) TEntryPoint{#name, reinterpret_cast<void**>(&ff::name), false},
#define VIDRELO_OPTIONAL(name) TEntryPoint{#name, reinterpret_cast<void**>(&ff::name), true},

const TEntryPoint AvCodecEntries[] = {VIDRELO_AVCODEC_ENTRIES(VIDRELO_REQUIRED, VIDRELO_OPTIONAL)};
const TEntryPoint AvDeviceEntries[] = {VIDRELO_AVDEVICE_ENTRIES(VIDRELO_REQUIRED, VIDRELO_OPTIONAL)};
const TEntryPoint AvFilterEntries[] = {VIDRELO_AVFILTER_ENTRIES(VIDRELO_REQUIRED, VIDRELO_OPTIONAL)};
const TEntryPoint AvFormatEntries[] = {VIDRELO_AVFORMAT_ENTRIES(VIDRELO_REQUIRED, VIDRELO_OPTIONAL)};
const TEntryPoint AvUtilEntries[] = {VIDRELO_AVUTIL_ENTRIES(VIDRELO_REQUIRED, VIDRELO_OPTIONAL)};
const TEntryPoint SwResampleEntries[] = {VIDRELO_SWRESAMPLE_ENTRIES(VIDRELO_REQUIRED, VIDRELO_OPTIONAL)};
const TEntryPoint SwScaleEntries[] = {VIDRELO_SWSCALE_ENTRIES(VIDRELO_REQUIRED, VIDRELO_OPTIONAL)};

#undef VIDRELO_REQUIRED
#undef VIDRELO_OPTIONAL

}  // namespace

std::span<const TEntryPoint> LibraryEntryPoints(TLibrary lib)
{
    switch (lib) {
    case TLibrary::avCodec: return AvCodecEntries;
    case TLibrary::avDevice: return AvDeviceEntries;
    case TLibrary::avFilter: return AvFilterEntries;
    case TLibrary::avFormat: return AvFormatEntries;
    case TLibrary::avUtil: return AvUtilEntries;
    case TLibrary::swResample: return SwResampleEntries;
    case TLibrary::swScale: return SwScaleEntries;
    }
    return {};
}

}  // namespace vidrelo
