#include "engine/loader/MediaErrorText.h"

#include "engine/loader/MediaHeaders.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <set>
#include <string>

using vidrelo::MediaErrorMessage;
using vidrelo::MediaErrorTable;
using vidrelo::MediaErrorText;

namespace {

constexpr char kInvalidData[] = "Invalid argument / Invalid data found when processing input";

bool IsSystemCode(int code) { return code >= -131 && code <= -1; }
bool IsWinsockCode(int code) { return code >= -11999 && code <= -10000; }

TEST(MediaErrorTable, HoldsEveryCodeOnceInOrder)
{
    const auto table = MediaErrorTable();
    ASSERT_EQ(table.size(), 202u);

    int tagged = 0, system = 0, winsock = 0;
    std::set<std::string> messages;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto& e = table[i];
        if (i > 0) {
            EXPECT_LT(table[i - 1].Code, e.Code) << "at index " << i;
        }
        ASSERT_NE(e.Message, nullptr) << e.Code;
        EXPECT_GT(std::strlen(e.Message), 0u) << e.Code;
        messages.insert(e.Message);
        if (IsSystemCode(e.Code))
            ++system;
        else if (IsWinsockCode(e.Code))
            ++winsock;
        else if (e.Code < -11999)
            ++tagged;
        else
            ADD_FAILURE() << "code outside every group: " << e.Code;
    }
    EXPECT_EQ(tagged, 11);
    EXPECT_EQ(system, 129);
    EXPECT_EQ(winsock, 41 + 21);
    EXPECT_EQ(messages.size(), 159u);

    // Only these two system numbers are missing from the run -1..-131.
    for (int code = -131; code <= -1; ++code) {
        const bool expectKnown = code != -41 && code != -58;
        EXPECT_EQ(MediaErrorMessage(code) != nullptr, expectKnown) << code;
    }
}

TEST(MediaErrorTable, LookupFindsEveryEntryAndNothingBetween)
{
    const auto table = MediaErrorTable();
    for (const auto& e : table)
        EXPECT_EQ(MediaErrorMessage(e.Code), e.Message) << e.Code;
    for (std::size_t i = 1; i < table.size(); ++i) {
        if (table[i].Code - table[i - 1].Code > 1) {
            EXPECT_EQ(MediaErrorMessage(table[i - 1].Code + 1), nullptr) << table[i - 1].Code + 1;
        }
    }
    EXPECT_EQ(MediaErrorMessage(table.front().Code - 1), nullptr);
    EXPECT_EQ(MediaErrorMessage(0), nullptr);
}

TEST(MediaErrorTable, WinsockCodesShareSystemTextOrUseTheirOwnName)
{
    const auto table = MediaErrorTable();
    for (const auto& e : table) {
        if (!IsWinsockCode(e.Code))
            continue;
        const std::string message = e.Message;
        if (message.rfind("WSA", 0) == 0)
            continue;
        bool twinFound = false;
        for (const auto& s : table)
            twinFound = twinFound || (IsSystemCode(s.Code) && message == s.Message);
        EXPECT_TRUE(twinFound) << e.Code << " " << message;
    }

    struct Pair {
        int System;
        int Winsock;
    };
    // Twins whose Winsock number does not simply follow the system one.
    const Pair pairs[] = {{-4, -10004},   {-22, -10022},  {-36, -10063}, {-40, -10062},
                          {-66, -10071},  {-87, -10068},  {-114, -10037}, {-115, -10036},
                          {-116, -10070}, {-122, -10069}};
    for (const auto& p : pairs) {
        ASSERT_NE(MediaErrorMessage(p.System), nullptr) << p.System;
        EXPECT_STREQ(MediaErrorMessage(p.System), MediaErrorMessage(p.Winsock)) << p.System;
    }
    EXPECT_STREQ(MediaErrorMessage(-10004), "Interrupted function call");
    EXPECT_STREQ(MediaErrorMessage(-10035), "WSAEWOULDBLOCK");
    EXPECT_STREQ(MediaErrorMessage(-11004), "WSANO_DATA");
}

TEST(MediaErrorTable, TaggedCodesFromTheInstalledHeader)
{
    EXPECT_EQ(AVERROR(ENOENT), -2);
    EXPECT_EQ(AVERROR_EOF, -541478725);
    EXPECT_EQ(AVERROR_INVALIDDATA, -1094995529);

    struct Case {
        int Code;
        const char* Message;
    };
    const Case cases[] = {
        {AVERROR_EOF, "End of file"},
        {-32, "End of file"},
        {AVERROR_INVALIDDATA, kInvalidData},
        {-22, kInvalidData},
        {AVERROR_MUXER_NOT_FOUND, "Muxer not found"},
        {AVERROR_STREAM_NOT_FOUND, "Stream not found"},
        {AVERROR_PROTOCOL_NOT_FOUND, "Protocol not found"},
        {AVERROR_DEMUXER_NOT_FOUND, "Demuxer not found"},
        {AVERROR_FILTER_NOT_FOUND, "Filter not found"},
        {AVERROR_BSF_NOT_FOUND, "Bitstream filter not found"},
        {AVERROR_PATCHWELCOME, "Not yet implemented in FFmpeg"},
        {AVERROR_ENCODER_NOT_FOUND, "Encoder not found"},
        {AVERROR_DECODER_NOT_FOUND, "Decoder not found"},
        {-1481985528, "Muxer not found"},
        {-1128613112, "Decoder not found"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(MediaErrorMessage(c.Code), c.Message) << c.Code;

    // Tags the table leaves out fall back to the numbered text.
    EXPECT_EQ(MediaErrorMessage(AVERROR_EXIT), nullptr);
    EXPECT_EQ(MediaErrorMessage(AVERROR_OPTION_NOT_FOUND), nullptr);
}

TEST(MediaErrorText, PrefixesMessageOrNumberedFallback)
{
    struct Case {
        const char* Prefix;
        int Code;
        const char* Expected;
    };
    const Case cases[] = {
        {"movie.vob", -2, "movie.vob: No such file or directory"},
        {"movie.vob", -41, "movie.vob: Error number -41 occurred"},
        {"movie.vob", -58, "movie.vob: Error number -58 occurred"},
        {"open", AVERROR_EOF, "open: End of file"},
        {"open", -125, "open: Operation Canceled"},
        {"open", -109, "open: Too many references: cannot splice"},
        {"x", 0, "x: Error number 0 occurred"},
        {"x", 2, "x: Error number 2 occurred"},
        {"x", 1000000, "x: Error number 1000000 occurred"},
        {"x", INT_MAX, "x: Error number 2147483647 occurred"},
        {"x", INT_MIN, "x: Error number -2147483648 occurred"},
        {"", -1, ": Operation not permitted"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MediaErrorText(c.Prefix, c.Code), c.Expected) << c.Code;
}

}  // namespace
