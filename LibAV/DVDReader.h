#pragma once
// One libdvdread reader of a disc, with a quiet logger: libdvdread's own
// messages are collected here instead of going to stderr, and the last
// error among them makes our error texts more precise.
#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>

#include <cstdarg>
#include <memory>
#include <string>

namespace vidrelo::dvddec {

struct IfoCloser {
    void operator()(ifo_handle_t* ifo) const { ifoClose(ifo); }
};
struct DvdFileCloser {
    void operator()(dvd_file_t* file) const { DVDCloseFile(file); }
};
using IfoPtr = std::unique_ptr<ifo_handle_t, IfoCloser>;
using DvdFilePtr = std::unique_ptr<dvd_file_t, DvdFileCloser>;

class DVDReader {
public:
    // Null, with a sentence for the user in `error`, when `path` does not
    // exist or libdvdread cannot open it at all.
    static std::unique_ptr<DVDReader> Open(const std::string& path, std::string& error);
    ~DVDReader();
    DVDReader(const DVDReader&) = delete;
    DVDReader& operator=(const DVDReader&) = delete;

    const std::string& Path() const { return path_; }
    dvd_reader_t* Handle() const { return dvd_; }
    // Titleset 0 is the video manager. Null when it cannot be read.
    IfoPtr OpenIfo(int titleset) const;
    DvdFilePtr OpenTitleVobs(int titleset) const;

    // libdvdread's last error-level message, "" when it reported none.
    const std::string& LibraryError() const { return libraryError_; }
    // libdvdread said it cannot decrypt CSS-scrambled discs.
    bool CssUnavailable() const { return cssUnavailable_; }

    // libdvdread's logging callback; `self` is the reader.
    static void Log(void* self, dvd_logger_level_t level, const char* format, va_list args);

private:
    explicit DVDReader(std::string path) : path_(std::move(path)) {}

    std::string path_;
    dvd_reader_t* dvd_ = nullptr;
    std::string libraryError_;
    bool cssUnavailable_ = false;
};

}  // namespace vidrelo::dvddec
