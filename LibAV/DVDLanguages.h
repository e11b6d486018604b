#pragma once
// English names of the ISO 639-1 language codes DVDs label their audio and
// subpicture streams with.
#include <string>

namespace vidrelo::dvddec {

// "en" -> "English", "fr" -> "French"; case does not matter. The withdrawn
// codes older discs still carry (iw, in, ji, jw, mo, sh) are known too.
// "" for anything else.
std::string DVDLanguageName(const std::string& code);
// "en" -> "eng", "fr" -> "fre", "de" -> "ger" (ISO 639-2, bibliographic);
// "" for a code DVDLanguageName does not know.
std::string DVDLanguageCode3(const std::string& code);

}  // namespace vidrelo::dvddec
