// The plug-in's C entry points. Each one turns its arguments into calls on
// DVDDisc / DVDTitleSource and keeps exceptions from crossing into the
// program. The disc described by DVDEnumTitle / DVDGetTitle is the only
// global state; sources carry their own readers.
#include "LibAV/DVDDisc.h"
#include "LibAV/DVDSourceString.h"
#include "LibAV/DVDTitleSource.h"
#include "dvd/DVDPluginABI.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <mutex>
#include <string>
#include <type_traits>

#define DVDDEC_EXPORT extern "C" __attribute__((visibility("default")))

using vidrelo::dvddec::DVDDisc;
using vidrelo::dvddec::DVDTitleSource;

struct TDVDSource {
    std::unique_ptr<DVDTitleSource> title;
};

namespace {

std::mutex gDiscMutex;
std::unique_ptr<DVDDisc> gDisc;  // the disc DVDEnumTitle opened last
thread_local std::string tLastError;

int32_t CopyText(const std::string& text, char* out, int32_t size)
{
    if (out && size > 0) {
        const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
        std::memcpy(out, text.data(), n);
        out[n] = '\0';
    }
    return static_cast<int32_t>(text.size());
}

std::string Failure(const char* what)
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return std::string(what) + " failed: out of memory.";
    } catch (const std::exception& e) {
        return std::string(what) + " failed: " + e.what();
    } catch (...) {
        return std::string(what) + " failed unexpectedly.";
    }
}

}  // namespace

DVDDEC_EXPORT int32_t DVDInitialize(void)
{
    tLastError.clear();
    return 1;
}

DVDDEC_EXPORT int32_t DVDEnumTitle(const char* path)
{
    try {
        std::string error;
        std::unique_ptr<DVDDisc> disc = DVDDisc::Open(path ? path : "", error);
        const std::lock_guard lock(gDiscMutex);
        gDisc = std::move(disc);
        tLastError = error;
        return gDisc ? gDisc->TitleCount() : 0;
    } catch (...) {
        tLastError = Failure("Reading the disc");
        return 0;
    }
}

DVDDEC_EXPORT int32_t DVDGetTitle(int32_t index, TDVDTitleInfo* info)
{
    try {
        const std::lock_guard lock(gDiscMutex);
        if (!gDisc || !info) {
            tLastError = gDisc ? "No title record to fill." : "No disc is open: DVDEnumTitle has not found one.";
            return 0;
        }
        std::string error;
        if (!gDisc->Describe(index, *info, error)) {
            tLastError = error;
            return 0;
        }
        return 1;
    } catch (...) {
        tLastError = Failure("Reading the title");
        return 0;
    }
}

DVDDEC_EXPORT int32_t DVDSetParam(const char* name, const char* /*value*/)
{
    // The plug-in has no settings yet; say so rather than pretend.
    tLastError = std::string("Unknown DVD plug-in parameter \"") + (name ? name : "") + "\".";
    return 0;
}

DVDDEC_EXPORT uint32_t DVDGetLibVersion(void)
{
    return 0x01000000;  // 1.0.0.0, one byte per part
}

DVDDEC_EXPORT int32_t DVDGetLastError(char* text, int32_t size)
{
    return CopyText(tLastError, text, size);
}

DVDDEC_EXPORT TDVDSource* DVDOpenSource(const char* source, TDVDSourceInfo* info, char* error, int32_t errorSize)
{
    std::string why;
    try {
        const auto request = vidrelo::dvddec::ParseDVDSource(source ? source : "", why);
        if (request) {
            auto title = DVDTitleSource::Open(*request, info, why);
            if (title)
                return new TDVDSource{std::move(title)};
        }
    } catch (...) {
        why = Failure("Opening the DVD source");
    }
    CopyText(why, error, errorSize);
    tLastError = why;
    return nullptr;
}

DVDDEC_EXPORT int32_t DVDReadSource(TDVDSource* source, uint8_t* buffer, int32_t size)
{
    if (!source)
        return -EINVAL;
    try {
        return source->title->Read(buffer, size);
    } catch (...) {
        return -EIO;
    }
}

DVDDEC_EXPORT int64_t DVDSeekSource(TDVDSource* source, int64_t offset, int32_t whence)
{
    return source ? source->title->Seek(offset, whence) : -EINVAL;
}

DVDDEC_EXPORT int32_t DVDSourceError(TDVDSource* source, char* text, int32_t size)
{
    if (!source)
        return CopyText({}, text, size);
    try {
        return CopyText(source->title->Problems(), text, size);
    } catch (...) {
        return CopyText("The DVD source's problems cannot be listed (out of memory).", text, size);
    }
}

DVDDEC_EXPORT void DVDCloseSource(TDVDSource* source)
{
    delete source;
}

// The entry points must keep the binary interface's signatures.
static_assert(std::is_same_v<decltype(&DVDInitialize), TDVDInitialize>);
static_assert(std::is_same_v<decltype(&DVDEnumTitle), TDVDEnumTitle>);
static_assert(std::is_same_v<decltype(&DVDGetTitle), TDVDGetTitle>);
static_assert(std::is_same_v<decltype(&DVDSetParam), TDVDSetParam>);
static_assert(std::is_same_v<decltype(&DVDGetLibVersion), TDVDGetLibVersion>);
static_assert(std::is_same_v<decltype(&DVDGetLastError), TDVDGetLastError>);
static_assert(std::is_same_v<decltype(&DVDOpenSource), TDVDOpenSource>);
static_assert(std::is_same_v<decltype(&DVDReadSource), TDVDReadSource>);
static_assert(std::is_same_v<decltype(&DVDSeekSource), TDVDSeekSource>);
static_assert(std::is_same_v<decltype(&DVDSourceError), TDVDSourceError>);
static_assert(std::is_same_v<decltype(&DVDCloseSource), TDVDCloseSource>);
