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

// The same codes' ISO 639-2 (bibliographic) forms, which containers such as
// Matroska expect in their language fields.
constexpr Language kThreeLetterCodes[] = {
    {"aa", "aar"}, {"ab", "abk"}, {"ae", "ave"}, {"af", "afr"}, {"ak", "aka"}, {"am", "amh"}, {"an", "arg"},
    {"ar", "ara"}, {"as", "asm"}, {"av", "ava"}, {"ay", "aym"}, {"az", "aze"}, {"ba", "bak"}, {"be", "bel"},
    {"bg", "bul"}, {"bh", "bih"}, {"bi", "bis"}, {"bm", "bam"}, {"bn", "ben"}, {"bo", "tib"}, {"br", "bre"},
    {"bs", "bos"}, {"ca", "cat"}, {"ce", "che"}, {"ch", "cha"}, {"co", "cos"}, {"cr", "cre"}, {"cs", "cze"},
    {"cu", "chu"}, {"cv", "chv"}, {"cy", "wel"}, {"da", "dan"}, {"de", "ger"}, {"dv", "div"}, {"dz", "dzo"},
    {"ee", "ewe"}, {"el", "gre"}, {"en", "eng"}, {"eo", "epo"}, {"es", "spa"}, {"et", "est"}, {"eu", "baq"},
    {"fa", "per"}, {"ff", "ful"}, {"fi", "fin"}, {"fj", "fij"}, {"fo", "fao"}, {"fr", "fre"}, {"fy", "fry"},
    {"ga", "gle"}, {"gd", "gla"}, {"gl", "glg"}, {"gn", "grn"}, {"gu", "guj"}, {"gv", "glv"}, {"ha", "hau"},
    {"he", "heb"}, {"hi", "hin"}, {"ho", "hmo"}, {"hr", "hrv"}, {"ht", "hat"}, {"hu", "hun"}, {"hy", "arm"},
    {"hz", "her"}, {"ia", "ina"}, {"id", "ind"}, {"ie", "ile"}, {"ig", "ibo"}, {"ii", "iii"}, {"ik", "ipk"},
    {"in", "ind"}, {"io", "ido"}, {"is", "ice"}, {"it", "ita"}, {"iu", "iku"}, {"iw", "heb"}, {"ja", "jpn"},
    {"ji", "yid"}, {"jv", "jav"}, {"jw", "jav"}, {"ka", "geo"}, {"kg", "kon"}, {"ki", "kik"}, {"kj", "kua"},
    {"kk", "kaz"}, {"kl", "kal"}, {"km", "khm"}, {"kn", "kan"}, {"ko", "kor"}, {"kr", "kau"}, {"ks", "kas"},
    {"ku", "kur"}, {"kv", "kom"}, {"kw", "cor"}, {"ky", "kir"}, {"la", "lat"}, {"lb", "ltz"}, {"lg", "lug"},
    {"li", "lim"}, {"ln", "lin"}, {"lo", "lao"}, {"lt", "lit"}, {"lu", "lub"}, {"lv", "lav"}, {"mg", "mlg"},
    {"mh", "mah"}, {"mi", "mao"}, {"mk", "mac"}, {"ml", "mal"}, {"mn", "mon"}, {"mo", "rum"}, {"mr", "mar"},
    {"ms", "may"}, {"mt", "mlt"}, {"my", "bur"}, {"na", "nau"}, {"nb", "nob"}, {"nd", "nde"}, {"ne", "nep"},
    {"ng", "ndo"}, {"nl", "dut"}, {"nn", "nno"}, {"no", "nor"}, {"nr", "nbl"}, {"nv", "nav"}, {"ny", "nya"},
    {"oc", "oci"}, {"oj", "oji"}, {"om", "orm"}, {"or", "ori"}, {"os", "oss"}, {"pa", "pan"}, {"pi", "pli"},
    {"pl", "pol"}, {"ps", "pus"}, {"pt", "por"}, {"qu", "que"}, {"rm", "roh"}, {"rn", "run"}, {"ro", "rum"},
    {"ru", "rus"}, {"rw", "kin"}, {"sa", "san"}, {"sc", "srd"}, {"sd", "snd"}, {"se", "sme"}, {"sg", "sag"},
    {"sh", "hbs"}, {"si", "sin"}, {"sk", "slo"}, {"sl", "slv"}, {"sm", "smo"}, {"sn", "sna"}, {"so", "som"},
    {"sq", "alb"}, {"sr", "srp"}, {"ss", "ssw"}, {"st", "sot"}, {"su", "sun"}, {"sv", "swe"}, {"sw", "swa"},
    {"ta", "tam"}, {"te", "tel"}, {"tg", "tgk"}, {"th", "tha"}, {"ti", "tir"}, {"tk", "tuk"}, {"tl", "tgl"},
    {"tn", "tsn"}, {"to", "ton"}, {"tr", "tur"}, {"ts", "tso"}, {"tt", "tat"}, {"tw", "twi"}, {"ty", "tah"},
    {"ug", "uig"}, {"uk", "ukr"}, {"ur", "urd"}, {"uz", "uzb"}, {"ve", "ven"}, {"vi", "vie"}, {"vo", "vol"},
    {"wa", "wln"}, {"wo", "wol"}, {"xh", "xho"}, {"yi", "yid"}, {"yo", "yor"}, {"za", "zha"}, {"zh", "chi"},
    {"zu", "zul"},
};

template <std::size_t N>
constexpr bool Sorted(const Language (&table)[N])
{
    for (std::size_t i = 1; i < N; ++i)
        if (!(table[i - 1].code < table[i].code))
            return false;
    return true;
}
static_assert(Sorted(kLanguages), "the language table must stay sorted by code");
static_assert(Sorted(kThreeLetterCodes), "the code table must stay sorted by code");

template <std::size_t N>
std::string Lookup(const Language (&table)[N], const std::string& code)
{
    if (code.size() != 2)
        return {};
    std::string lower = code;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    const auto* end = std::end(table);
    const auto* it = std::lower_bound(std::begin(table), end, lower,
                                      [](const Language& l, const std::string& c) { return l.code < c; });
    if (it == end || it->code != lower)
        return {};
    return std::string(it->name);
}

}  // namespace

std::string DVDLanguageName(const std::string& code)
{
    return Lookup(kLanguages, code);
}

std::string DVDLanguageCode3(const std::string& code)
{
    return Lookup(kThreeLetterCodes, code);
}

}  // namespace vidrelo::dvddec
