// The catalogue files: the input holds any of Formats.dat (as plain text: it
// is scrambled on the way to the file, so mutations act on the text), the
// raw Formats.dat bytes, Profiles.dat and the persisted choice and
// last-edited values (FuzzSupport's file records). What the input leaves out
// comes from the shipped catalogue. Loading and linking must end in formats
// or a report, never a crash, and a format loaded without a fault must pass
// the check again.
#include "catalogue/EInOutError.h"
#include "catalogue/FormatCheck.h"
#include "catalogue/TCatalogue.h"
#include "tests/LibAV/DvdPlugin.h"
#include "tests/fuzz/FuzzSupport.h"

#include <QStringList>

#include <cstdlib>

#include <filesystem>
#include <string>
#include <vector>

using namespace vidrelo;

namespace {

const std::vector<std::string> kNames = {"Formats.xml", "Formats.dat", "Profiles.dat", "choice"};

std::string Scrambled(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(~static_cast<unsigned char>(c));
    return text;
}

// "choice": the recent and last-edited indexes (one signed byte each), then
// the last-edited values, one a line.
void ApplyChoice(TCatalogue& catalogue, const std::string& bytes)
{
    const auto index = [&](std::size_t i) { return i < bytes.size() ? static_cast<signed char>(bytes[i]) : -1; };
    catalogue.RecentProfileInd = index(0);
    catalogue.RecentFormatInd = index(1);
    catalogue.LastEditedProfileInd = index(2);
    catalogue.LastEditedFormatInd = index(3);
    const QStringList v = QString::fromUtf8(bytes.size() > 4 ? bytes.substr(4) : std::string()).split('\n');
    const auto at = [&](int i) { return i < v.size() ? v[i] : QString(); };
    TLastEditedValues& e = catalogue.LastEdited;
    e = {at(0), at(1), at(2), at(3), at(4), at(5), at(6), at(7), at(8)};
}

std::string WriteCatalogue(const std::vector<fuzz::TNamedFile>& files, std::string& choice)
{
    static const std::string shippedFormats =
        Scrambled(fuzz::ReadBytes(std::string(VIDRELO_SOURCE_DIR) + "/data/catalogue/Formats.xml"));
    static const std::string shippedProfiles =
        fuzz::ReadBytes(std::string(VIDRELO_SOURCE_DIR) + "/data/catalogue/Profiles.dat");
    std::string formats = shippedFormats;
    std::string profiles = shippedProfiles;
    for (const fuzz::TNamedFile& f : files) {
        if (f.Name == "Formats.xml")
            formats = Scrambled(f.Bytes);
        else if (f.Name == "Formats.dat")
            formats = f.Bytes;
        else if (f.Name == "Profiles.dat")
            profiles = f.Bytes;
        else
            choice = f.Bytes;
    }
    const std::string folder = fuzz::WorkDir() + "/dvd-ripper-profiles";
    std::filesystem::create_directories(folder);
    test::WriteFile(folder + "/Formats.dat", formats);
    test::WriteFile(folder + "/Profiles.dat", profiles);
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    std::string choice;
    const std::string folder = WriteCatalogue(fuzz::SplitFiles(data, size, kNames), choice);
    TCatalogue catalogue(QString::fromStdString(folder), [](const QString&, const QString&) {});
    ApplyChoice(catalogue, choice);
    catalogue.LoadProfiles();
    try {
        catalogue.LoadFormats();
    } catch (const EInOutError&) {
        return 0;
    }
    for (const TFormat& format : catalogue.AllFormats)
        if (format.Fault.isEmpty() && !FormatFault(format).isEmpty())
            std::abort();
    catalogue.LinkFormats();
    for (const TProfile& profile : catalogue.Profiles)
        for (const TFormat& format : profile.Formats)
            FormatFault(format);
    return 0;
}
