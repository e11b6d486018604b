#pragma once
// The catalogue as the commands load it: the stages in start-up order,
// failures printed to standard error.
#include "catalogue/TCatalogue.h"

#include <memory>
#include <string>

namespace vidrelo::cli {

// A catalogue for `folder` whose failures are printed as they happen.
std::unique_ptr<TCatalogue> MakeCatalogue(const std::string& folder);
// Icons, profiles, formats and the link; with `rememberedFormat` the user's
// remembered format becomes the choice and the format the user edited gets
// the edited values, as at the main window's start-up.
// False when any stage failed.
bool LoadCatalogue(TCatalogue& catalogue, bool rememberedFormat = false);

}  // namespace vidrelo::cli
