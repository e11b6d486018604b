#pragma once
// What the fuzz targets share. A target is one LLVMFuzzerTestOneInput: built
// with libFuzzer in the fuzzing tree (tools/fuzz.sh), and with
// FuzzReplayMain.cpp in the normal suite, which feeds it every kept input
// (the seed corpus and the inputs that once crashed it).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vidrelo::fuzz {

// This process's private HOME (TestPaths' MakePrivateHome), made on first
// use, so a target never touches the user's files; its files go there too.
// Removed when the process ends normally.
const std::string& WorkDir();

std::string ReadBytes(const std::string& path);

// Where the kept inputs and seed files are (tests/fuzz in the sources).
std::string FuzzSourceDir();

// A fuzz input split into named files: records of one byte choosing the
// name (modulo names.size()), three bytes of little-endian length and that
// many bytes (fewer when the input ends first). A name given twice keeps
// its last contents.
struct TNamedFile {
    std::string Name;
    std::string Bytes;
};
std::vector<TNamedFile> SplitFiles(const uint8_t* data, std::size_t size, const std::vector<std::string>& names);
// The inverse, for making seeds.
std::string JoinFiles(const std::vector<TNamedFile>& files, const std::vector<std::string>& names);
// The names of the disc_scan records: the VMG's and both titlesets' IFO and BUP.
const std::vector<std::string>& IfoSetNames();

// The seed disc in `folder` (made once per folder): the information files
// of the first test disc (corpus/disc_scan/discA) and the start of its first
// titleset's video (corpus/title_stream). Its path.
std::string WriteSeedDisc(const std::string& folder);

}  // namespace vidrelo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);
