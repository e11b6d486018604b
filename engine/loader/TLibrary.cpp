#include "engine/loader/TLibrary.h"

namespace vidrelo {

const char* LibraryName(TLibrary lib)
{
    switch (lib) {
    case TLibrary::avCodec: return "avCodec";
    case TLibrary::avDevice: return "avDevice";
    case TLibrary::avFilter: return "avFilter";
    case TLibrary::avFormat: return "avFormat";
    case TLibrary::avUtil: return "avUtil";
    case TLibrary::swResample: return "swResample";
    case TLibrary::swScale: return "swScale";
    }
    return "?";
}

}  // namespace vidrelo
