// The command line of "vidrelo-cli rip" read into its request.
#include "cli/RipArguments.h"

#include "dvd/DVDTitleInfo.h"

#include <gtest/gtest.h>

using namespace vidrelo::cli;

namespace {

TRipRequest Parsed(const std::vector<std::string>& args)
{
    TRipRequest request;
    std::string error;
    EXPECT_TRUE(ParseRipArguments(args, request, error)) << error;
    return request;
}

std::string Refused(const std::vector<std::string>& args)
{
    TRipRequest request;
    std::string error;
    EXPECT_FALSE(ParseRipArguments(args, request, error));
    return error;
}

TEST(RipArgumentsTest, WithoutOptionsEverythingIsLeftToTheDefaults)
{
    const TRipRequest r = Parsed({"/dev/sr0"});
    EXPECT_EQ(r.Disc, "/dev/sr0");
    EXPECT_TRUE(r.Titles.empty());
    EXPECT_EQ(r.ProfileInd, -1);
    EXPECT_TRUE(r.FormatTitle.empty() && r.OutputFolder.empty() && r.CatalogueFolder.empty());
    EXPECT_FALSE(r.Merge || r.Deinterlace || r.CropAuto);
    EXPECT_FALSE(r.AudioID || r.SubtitleID || r.Crop || r.AspectRatio || r.Brightness || r.Contrast ||
                 r.Saturation || r.TimeStart || r.TimeEnd || r.Name);
}

TEST(RipArgumentsTest, EveryOptionLandsInItsField)
{
    const TRipRequest r =
        Parsed({"--titles", "3,1", "disc.iso", "--profile", "2", "--format", "0", "--out", "/tmp/o", "--audio",
                "0x81", "--subtitle", "none", "--deinterlace", "--crop", "8,0,8,16", "--aspect", "16:9",
                "--brightness", "-100", "--contrast", "100", "--saturation", "0", "--start", "00:01:30", "--end",
                "90:00", "--catalogue", "/c"});
    EXPECT_EQ(r.Disc, "disc.iso");
    EXPECT_EQ(r.Titles, (std::vector<int>{3, 1}));
    EXPECT_EQ(r.ProfileInd * 10 + r.FormatInd, 20);
    EXPECT_EQ(r.OutputFolder, "/tmp/o");
    EXPECT_EQ(r.CatalogueFolder, "/c");
    EXPECT_EQ(r.AudioID, 0x81);
    EXPECT_EQ(r.SubtitleID, 0) << "none: no subtitles";
    EXPECT_TRUE(r.Deinterlace);
    EXPECT_EQ(r.Crop, (std::array<int, 4>{8, 0, 8, 16}));
    EXPECT_FALSE(r.CropAuto);
    const TRipRequest automatic = Parsed({"disc.iso", "--crop", "auto"});
    EXPECT_TRUE(automatic.CropAuto);
    EXPECT_FALSE(automatic.Crop);
    EXPECT_EQ(r.AspectRatio, 3);
    EXPECT_EQ(r.Brightness, -100);
    EXPECT_EQ(r.Contrast, 100);
    EXPECT_EQ(r.Saturation, 0);
    EXPECT_EQ(r.TimeStart, 90'000'000);
    EXPECT_EQ(r.TimeEnd, 5'400'000'000);

    EXPECT_EQ(Parsed({"d", "--audio", "128"}).AudioID, 0x80) << "decimal IDs too";
    EXPECT_EQ(Parsed({"d", "--audio", "all"}).AudioID, kDVDAllAudioID);
    EXPECT_EQ(Parsed({"d", "--aspect", "keep"}).AspectRatio, 0);
    EXPECT_EQ(Parsed({"d", "--aspect", "full"}).AspectRatio, 1);
    EXPECT_EQ(Parsed({"d", "--aspect", "4:3"}).AspectRatio, 2);
    EXPECT_EQ(Parsed({"d", "--format-title", "MP4 Video (H.264, AAC)"}).FormatTitle, "MP4 Video (H.264, AAC)");
    EXPECT_EQ(Parsed({"d", "--titles", "2", "--name", "My Film"}).Name, "My Film");
    EXPECT_TRUE(Parsed({"d", "--merge", "--titles", "1,2"}).Merge);
    // Splitting takes the trim: it chooses the chapters.
    const TRipRequest split = Parsed({"d", "--split-chapters", "--start", "5", "--end", "9"});
    EXPECT_TRUE(split.SplitChapters);
    EXPECT_FALSE(split.Merge);
    EXPECT_EQ(split.TimeEnd, 9'000'000);

    // The format's settings, as given; the size in the editor's own form.
    const std::map<std::string, std::string> settings = {
        {"--vcodec", "mpeg4"}, {"--size", "320*240"}, {"--vb", "800 kbps"}, {"--rate", "25000"},
        {"--acodec", "MP2"},   {"--ar", "44100"},     {"--ab", "128000"},   {"--ac", "Mono"}};
    std::vector<std::string> args = {"d"};
    for (const auto& [option, value] : settings)
        args.insert(args.end(), {option, option == "--size" ? "320x240" : value});
    EXPECT_EQ(Parsed(args).FormatSettings, settings);
    EXPECT_EQ(Parsed({"d", "--size", "640*480"}).FormatSettings.at("--size"), "640*480");
}

TEST(RipArgumentsTest, MalformedValuesAndClashingOptionsAreRefused)
{
    for (const char* titles : {"", "1,,2", "1,", "0", "100", "x", "2,2"})
        EXPECT_EQ(Refused({"d", "--titles", titles}), "invalid value for --titles: \"" + std::string(titles) + "\"");
    for (const char* id : {"0x", "0", "-5", "-1", "0x-5", "0x1g", "1.5", "All"})
        EXPECT_NE(Refused({"d", "--audio", id}).find("invalid value for --audio"), std::string::npos) << id;
    EXPECT_NE(Refused({"d", "--subtitle", "all"}).find("invalid value for --subtitle"), std::string::npos);
    for (const char* crop : {"1,2,3", "1,2,3,4,5", "-1,0,0,0", "a,0,0,0", "Auto", "auto,0,0,0"})
        EXPECT_NE(Refused({"d", "--crop", crop}).find("invalid value for --crop"), std::string::npos) << crop;
    EXPECT_NE(Refused({"d", "--contrast", "1.5"}).find("--contrast"), std::string::npos);
    // Times are never negative, not even a negative zero hours.
    for (const char* time : {"-1", "-00:00:01", "+1", "1e2", " 5"})
        EXPECT_NE(Refused({"d", "--start", time}).find("invalid value for --start"), std::string::npos) << time;
    EXPECT_NE(Refused({"d", "--profile", "-1", "--format", "0"}).find("--profile"), std::string::npos);
    for (const char* name : {"", ".", "..", "a/b"})
        EXPECT_NE(Refused({"d", "--name", name}).find("invalid value for --name"), std::string::npos) << name;
    EXPECT_EQ(Refused({"d", "--titles", "1", "--titles", "2"}), "--titles given twice");
    EXPECT_EQ(Refused({"d", "--format", "1"}), "--profile and --format go together");
    EXPECT_EQ(Refused({"d", "--start", "10", "--end", "10"}), "--start must be before --end");
    // An end at the title's start leaves nothing to convert.
    for (const char* end : {"00:00:00", "0", "0.0000001"})
        EXPECT_EQ(Refused({"d", "--end", end}), "--end must be after 00:00:00, where the title starts") << end;
    EXPECT_EQ(Parsed({"d", "--end", "0.5"}).TimeEnd, 500'000);
    EXPECT_NE(Refused({"d", "--merge", "--start", "1"}).find("--merge"), std::string::npos);
    EXPECT_NE(Refused({"d", "--merge", "--name", "x"}).find("Joined"), std::string::npos);
    EXPECT_EQ(Refused({"--merge"}), "no DISC given");
    for (const std::vector<std::string>& both : {std::vector<std::string>{"d", "--merge", "--split-chapters"},
                                                  std::vector<std::string>{"d", "--split-chapters", "--merge"}})
        EXPECT_NE(Refused(both).find("exclude each other"), std::string::npos);
    EXPECT_EQ(Refused({"d", "--split-chapters", "--split-chapters"}), "--split-chapters given twice");
    EXPECT_EQ(Refused({"d", "-x"}), "unknown option \"-x\"");
    EXPECT_EQ(Refused({"d", "--audio"}), "missing value for --audio");
    for (const std::string option : {"--vcodec", "--size", "--vb", "--rate", "--acodec", "--ar", "--ab", "--ac"}) {
        EXPECT_EQ(Refused({"d", option, "1*1", option, "1*1"}), option + " given twice");
        EXPECT_EQ(Refused({"d", option}), "missing value for " + option);
        EXPECT_EQ(Refused({"d", option, ""}), "invalid value for " + option + ": \"\"");
    }
    // Whether the numbers fit is the format's question; the form is not.
    for (const std::string size : {"640", "x480", "640x480x2"})
        EXPECT_EQ(Refused({"d", "--size", size}), "invalid value for --size: \"" + size + "\"");
}

}  // namespace
