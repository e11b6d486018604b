#pragma once
// Output files that are never lost, half-written or clobbered.
//
// A task writes beside its final name under "<name>.part". That file is
// created exclusively and stays locked (flock) while its owner lives, so two
// runs never write the same file, and one left behind by a killed process
// (unlocked) can be told from one being written. The finished file takes
// its final name only when the task ends, never replacing a file that
// appeared meanwhile unless replacing was asked for.
#include <memory>
#include <optional>
#include <string>

namespace vidrelo {

// The local file a media name stands for ("file:" taken off); nullopt for
// the URL of another protocol ("http:", "pipe:", "opendvd:").
std::optional<std::string> LocalFilePath(const std::string& AName);

// The temporary name a task writes the file `AFinal` under.
std::string PartialFileName(const std::string& AFinal);

// Whether a file name is taken: the file, or its temporary file, exists.
bool FileNameTaken(const std::string& AName);

// `AName` when it is free, else the first free name of "stem (2).ext",
// "stem (3).ext", ... in the same folder.
std::string NextFreeFileName(const std::string& AName);

// Whether two media names lead to the same local file (through symbolic or
// hard links too); false when either is no local file or does not exist.
bool SameFile(const std::string& A, const std::string& B);

class TPartialOutput {
public:
    // Creates and locks the temporary file of `AFinal`, taking over one that
    // a dead process left. Null with the reason in AError when `AFinal`
    // exists and AReplace is not given, when another run is writing it, or
    // when it cannot be created.
    static std::unique_ptr<TPartialOutput> Create(const std::string& AFinal, bool AReplace, std::string& AError);
    // Removes the temporary file unless it was committed.
    ~TPartialOutput();
    TPartialOutput(const TPartialOutput&) = delete;
    TPartialOutput& operator=(const TPartialOutput&) = delete;

    const std::string& FinalName() const { return FFinal; }
    const std::string& PartialName() const { return FPartial; }

    // Gives the finished file its final name. Without AReplace a file that
    // took the name meanwhile is kept, and the result goes to the next free
    // name. The name it got in AWritten; false with the reason in AError
    // (the temporary file is then kept: it holds the finished result).
    bool Commit(std::string& AWritten, std::string& AError);
    // Removes the temporary file.
    void Discard();

private:
    TPartialOutput(std::string AFinal, std::string APartial, int AHandle, bool AReplace);
    void Release();

    std::string FFinal;
    std::string FPartial;
    int FHandle = -1;  // open and locked while the file is ours
    bool FReplace = false;
};

}  // namespace vidrelo
