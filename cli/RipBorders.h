#pragma once
// "rip --crop auto": each checked title cropped to the black bars its own
// pictures show, the margins printed per title.
#include <string>

class TTitleModel;

namespace vidrelo {
class TFFLoader;
}

namespace vidrelo::cli {

// Needs the decoder's libraries loaded by `loader`. False with the reason in `error`
// when a title's pictures cannot be read.
bool CropTitlesToBorders(vidrelo::TFFLoader& loader, TTitleModel& titles, std::string& error);

}  // namespace vidrelo::cli
