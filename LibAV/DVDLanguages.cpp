#include "LibAV/DVDLanguages.h"

#include <algorithm>
#include <string_view>

namespace vidrelo::dvddec {

namespace {

struct Language {
    std::string_view code;
    std::string_view name;
};

// Sorted by code, so lookups can bisect.
constexpr Language kLanguages[] = {
    {"aa", "Afar"}, {"ab", "Abkhazian"}, {"ae", "Avestan"}, {"af", "Afrikaans"}, {"ak", "Akan"},
    {"am", "Amharic"}, {"an", "Aragonese"}, {"ar", "Arabic"}, {"as", "Assamese"}, {"av", "Avaric"},
    {"ay", "Aymara"}, {"az", "Azerbaijani"}, {"ba", "Bashkir"}, {"be", "Belarusian"}, {"bg", "Bulgarian"},
    {"bh", "Bihari"}, {"bi", "Bislama"}, {"bm", "Bambara"}, {"bn", "Bengali"}, {"bo", "Tibetan"},
    {"br", "Breton"}, {"bs", "Bosnian"}, {"ca", "Catalan"}, {"ce", "Chechen"}, {"ch", "Chamorro"},
    {"co", "Corsican"}, {"cr", "Cree"}, {"cs", "Czech"}, {"cu", "Church Slavic"}, {"cv", "Chuvash"},
    {"cy", "Welsh"}, {"da", "Danish"}, {"de", "German"}, {"dv", "Divehi"}, {"dz", "Dzongkha"},
    {"ee", "Ewe"}, {"el", "Greek"}, {"en", "English"}, {"eo", "Esperanto"}, {"es", "Spanish"},
    {"et", "Estonian"}, {"eu", "Basque"}, {"fa", "Persian"}, {"ff", "Fulah"}, {"fi", "Finnish"},
    {"fj", "Fijian"}, {"fo", "Faroese"}, {"fr", "French"}, {"fy", "Western Frisian"}, {"ga", "Irish"},
    {"gd", "Scottish Gaelic"}, {"gl", "Galician"}, {"gn", "Guarani"}, {"gu", "Gujarati"}, {"gv", "Manx"},
    {"ha", "Hausa"}, {"he", "Hebrew"}, {"hi", "Hindi"}, {"ho", "Hiri Motu"}, {"hr", "Croatian"},
    {"ht", "Haitian"}, {"hu", "Hungarian"}, {"hy", "Armenian"}, {"hz", "Herero"}, {"ia", "Interlingua"},
    {"id", "Indonesian"}, {"ie", "Interlingue"}, {"ig", "Igbo"}, {"ii", "Sichuan Yi"}, {"ik", "Inupiaq"},
    {"in", "Indonesian"}, {"io", "Ido"}, {"is", "Icelandic"}, {"it", "Italian"}, {"iu", "Inuktitut"},
    {"iw", "Hebrew"}, {"ja", "Japanese"}, {"ji", "Yiddish"}, {"jv", "Javanese"}, {"jw", "Javanese"},
    {"ka", "Georgian"}, {"kg", "Kongo"}, {"ki", "Kikuyu"}, {"kj", "Kuanyama"}, {"kk", "Kazakh"},
    {"kl", "Kalaallisut"}, {"km", "Khmer"}, {"kn", "Kannada"}, {"ko", "Korean"}, {"kr", "Kanuri"},
    {"ks", "Kashmiri"}, {"ku", "Kurdish"}, {"kv", "Komi"}, {"kw", "Cornish"}, {"ky", "Kyrgyz"},
    {"la", "Latin"}, {"lb", "Luxembourgish"}, {"lg", "Ganda"}, {"li", "Limburgish"}, {"ln", "Lingala"},
    {"lo", "Lao"}, {"lt", "Lithuanian"}, {"lu", "Luba-Katanga"}, {"lv", "Latvian"}, {"mg", "Malagasy"},
    {"mh", "Marshallese"}, {"mi", "Maori"}, {"mk", "Macedonian"}, {"ml", "Malayalam"}, {"mn", "Mongolian"},
    {"mo", "Moldavian"}, {"mr", "Marathi"}, {"ms", "Malay"}, {"mt", "Maltese"}, {"my", "Burmese"},
    {"na", "Nauru"}, {"nb", "Norwegian Bokmål"}, {"nd", "North Ndebele"}, {"ne", "Nepali"}, {"ng", "Ndonga"},
    {"nl", "Dutch"}, {"nn", "Norwegian Nynorsk"}, {"no", "Norwegian"}, {"nr", "South Ndebele"},
    {"nv", "Navajo"}, {"ny", "Chichewa"}, {"oc", "Occitan"}, {"oj", "Ojibwa"}, {"om", "Oromo"},
    {"or", "Oriya"}, {"os", "Ossetian"}, {"pa", "Punjabi"}, {"pi", "Pali"}, {"pl", "Polish"},
    {"ps", "Pashto"}, {"pt", "Portuguese"}, {"qu", "Quechua"}, {"rm", "Romansh"}, {"rn", "Rundi"},
    {"ro", "Romanian"}, {"ru", "Russian"}, {"rw", "Kinyarwanda"}, {"sa", "Sanskrit"}, {"sc", "Sardinian"},
    {"sd", "Sindhi"}, {"se", "Northern Sami"}, {"sg", "Sango"}, {"sh", "Serbo-Croatian"}, {"si", "Sinhala"},
    {"sk", "Slovak"}, {"sl", "Slovenian"}, {"sm", "Samoan"}, {"sn", "Shona"}, {"so", "Somali"},
    {"sq", "Albanian"}, {"sr", "Serbian"}, {"ss", "Swati"}, {"st", "Southern Sotho"}, {"su", "Sundanese"},
    {"sv", "Swedish"}, {"sw", "Swahili"}, {"ta", "Tamil"}, {"te", "Telugu"}, {"tg", "Tajik"},
    {"th", "Thai"}, {"ti", "Tigrinya"}, {"tk", "Turkmen"}, {"tl", "Tagalog"}, {"tn", "Tswana"},
    {"to", "Tonga"}, {"tr", "Turkish"}, {"ts", "Tsonga"}, {"tt", "Tatar"}, {"tw", "Twi"},
    {"ty", "Tahitian"}, {"ug", "Uyghur"}, {"uk", "Ukrainian"}, {"ur", "Urdu"}, {"uz", "Uzbek"},
    {"ve", "Venda"}, {"vi", "Vietnamese"}, {"vo", "Volapük"}, {"wa", "Walloon"}, {"wo", "Wolof"},
    {"xh", "Xhosa"}, {"yi", "Yiddish"}, {"yo", "Yoruba"}, {"za", "Zhuang"}, {"zh", "Chinese"},
    {"zu", "Zulu"},
};

constexpr bool Sorted()
{
    for (std::size_t i = 1; i < std::size(kLanguages); ++i)
        if (!(kLanguages[i - 1].code < kLanguages[i].code))
            return false;
    return true;
}
static_assert(Sorted(), "the language table must stay sorted by code");

}  // namespace

std::string DVDLanguageName(const std::string& code)
{
    if (code.size() != 2)
        return {};
    std::string lower = code;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    const auto* end = std::end(kLanguages);
    const auto* it = std::lower_bound(std::begin(kLanguages), end, lower,
                                      [](const Language& l, const std::string& c) { return l.code < c; });
    if (it == end || it->code != lower)
        return {};
    return std::string(it->name);
}

}  // namespace vidrelo::dvddec
