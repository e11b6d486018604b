#include "LibAV/DVDReader.h"

#include <sys/stat.h>

#include <cstdio>

namespace vidrelo::dvddec {

namespace {

const dvd_logger_cb kQuietLogger{&DVDReader::Log};

std::string OpenFailure(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return "No DVD found at " + path + ": the path does not exist.";
    if (S_ISBLK(st.st_mode))
        return "The drive " + path + " has no DVD in it, or the disc cannot be read.";
    return path + " cannot be opened as a DVD.";
}

}  // namespace

std::unique_ptr<DVDReader> DVDReader::Open(const std::string& path, std::string& error)
{
    if (path.empty()) {
        error = "No DVD path was given.";
        return nullptr;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = OpenFailure(path);
        return nullptr;
    }
    std::unique_ptr<DVDReader> reader(new DVDReader(path));
    reader->dvd_ = DVDOpen2(reader.get(), &kQuietLogger, path.c_str());
    if (!reader->dvd_) {
        error = OpenFailure(path);
        if (!reader->libraryError_.empty())
            error += " (" + reader->libraryError_ + ")";
        return nullptr;
    }
    return reader;
}

DVDReader::~DVDReader()
{
    if (dvd_)
        DVDClose(dvd_);
}

IfoPtr DVDReader::OpenIfo(int titleset) const
{
    return IfoPtr(ifoOpen(dvd_, titleset));
}

DvdFilePtr DVDReader::OpenTitleVobs(int titleset) const
{
    return DvdFilePtr(DVDOpenFile(dvd_, titleset, DVD_READ_TITLE_VOBS));
}

void DVDReader::Log(void* self, dvd_logger_level_t level, const char* format, va_list args)
{
    auto* reader = static_cast<DVDReader*>(self);
    if (!reader)
        return;
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    std::string message(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '.' || message.back() == ' '))
        message.pop_back();
    if (message.find("Encrypted DVD support unavailable") != std::string::npos ||
        message.find("No css library") != std::string::npos)
        reader->cssUnavailable_ = true;
    if (level == DVD_LOGGER_LEVEL_ERROR && !message.empty())
        reader->libraryError_ = message;
}

}  // namespace vidrelo::dvddec
