// A stand-in DVD plug-in for the binding's tests, built several times: one
// build per export leaves that export out (the build renames it, e.g.
// -DDVDGetTitle=Omitted_DVDGetTitle), and one build, with FAKE_INIT_FAILS
// defined, fails to initialise. It describes a two-title disc at
// any path that does not end in "nodisc", and serves "opendvd:" sources as
// 4096 bytes counting 0, 1, 2, ... (mod 256); title 2 has no subtitle palette.
#include "dvd/DVDPluginABI.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
int initCount = 0;
std::string lastError;
constexpr int64_t kSourceSize = 4096;
}  // namespace

struct TDVDSource {
    int64_t Position = 0;
};

extern "C" {

__attribute__((visibility("default"))) int32_t FakeInitCount()
{
    return initCount;
}

#define FAKE_DEFINE(ret, name, args) __attribute__((visibility("default"))) ret name args

FAKE_DEFINE(int32_t, DVDInitialize, (void))
{
    ++initCount;
#ifdef FAKE_INIT_FAILS
    return 0;
#else
    return 1;
#endif
}

FAKE_DEFINE(int32_t, DVDEnumTitle, (const char* path))
{
    const std::string p = path;
    if (p.size() >= 6 && p.compare(p.size() - 6, 6, "nodisc") == 0) {
        lastError = "No DVD found at " + p + ".";
        return 0;
    }
    return 2;
}

FAKE_DEFINE(int32_t, DVDGetTitle, (int32_t index, TDVDTitleInfo* info))
{
    if (index < 0 || index > 1)
        return 0;
    info->Length = 10.5 + index;
    info->VideoType = 2;
    info->VideoID = 0xE0;
    info->Width = 720;
    info->Height = 576;
    info->AudioCount = 1;
    info->Audio[0] = {4, 0x80, 48000, 6, {'e', 'n'}, "English"};
    info->ChapterCount = 1;
    info->Chapters[0] = info->Length;
    info->IsValid = 1;
    return 1;
}

FAKE_DEFINE(int32_t, DVDSetParam, (const char*, const char*))
{
    return 1;
}

FAKE_DEFINE(uint32_t, DVDGetLibVersion, (void))
{
    return 0x01020304;
}

FAKE_DEFINE(int32_t, DVDGetLastError, (char* text, int32_t size))
{
    std::snprintf(text, size, "%s", lastError.c_str());
    return static_cast<int32_t>(lastError.size());
}

FAKE_DEFINE(TDVDSource*, DVDOpenSource, (const char* source, TDVDSourceInfo* info, char* error, int32_t size))
{
    if (std::strstr(source, "Title=9")) {
        std::snprintf(error, size, "Title 9 is beyond the disc's 2 titles.");
        return nullptr;
    }
    info->Size = kSourceSize;
    info->Duration = 10500000;
    info->StartTime = 40000;
    info->ChapterCount = 2;
    info->ChapterStarts[1] = 5000000;
    info->StreamCount = 2;
    info->Streams[0] = {DVDSourceVideo, 0x1E0, DVDStreamMPEG2, 0};
    info->Streams[1] = {DVDSourceSubtitle, 0x20, DVDStreamSUB, 0};
    info->Deinterlace = 1;
    info->AudioChannels = 2;
    for (int i = 0; i < 16; ++i)
        info->Palette[i] = 0x111111u * static_cast<uint32_t>(i);
    info->HasPalette = !std::strstr(source, "Title=2");
    return new TDVDSource;
}

FAKE_DEFINE(int32_t, DVDReadSource, (TDVDSource* s, uint8_t* buffer, int32_t size))
{
    int32_t n = 0;
    while (n < size && s->Position < kSourceSize)
        buffer[n++] = static_cast<uint8_t>(s->Position++ & 0xFF);
    return n;
}

FAKE_DEFINE(int64_t, DVDSeekSource, (TDVDSource* s, int64_t offset, int32_t whence))
{
    const int64_t base = whence == SEEK_CUR ? s->Position : whence == SEEK_END ? kSourceSize : 0;
    if (base + offset < 0 || base + offset > kSourceSize)
        return -EINVAL;
    return s->Position = base + offset;
}

FAKE_DEFINE(int32_t, DVDSourceError, (TDVDSource*, char* text, int32_t size))
{
    std::snprintf(text, size, "2 damaged sector(s) skipped");
    return 27;
}

FAKE_DEFINE(void, DVDCloseSource, (TDVDSource* s))
{
    delete s;
}

}  // extern "C"
