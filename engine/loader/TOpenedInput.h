#pragma once
// Opening an input and finding its streams: the one sequence every part of
// the engine and its tools uses (the transcoding job, border detection, the
// information text, the tests). A name the source registry knows
// ("opendvd:...") is read through its opener; streams its hints announce
// but the probe did not meet are added. The context is closed when the
// object goes, unless the caller took it.
//
// The caller holds the libraries loaded (and a TCLocaleScope).
#include "engine/loader/TSourceProtocols.h"

#include <functional>
#include <string>

struct AVDictionary;
struct AVFormatContext;
struct AVInputFormat;

namespace vidrelo {

class TInterruptCB;

// What a caller may add to the sequence; everything is optional.
struct TOpenSteps {
    const AVInputFormat* Format = nullptr;  // a forced demuxer (else the name's or the source's)
    TInterruptCB* Interrupts = nullptr;     // whose predicates may give up its blocking I/O (else the engine's)
    AVDictionary** Options = nullptr;       // the demuxer's options; what it did not take is left
    // Before the input is opened: settings the demuxer reads from the context.
    std::function<void(AVFormatContext* AContext)> BeforeOpen;
    // After opening, before the streams are probed; a text stops the sequence.
    std::function<std::string(AVFormatContext* AContext)> BeforeProbe;
    // Runs each blocking step (opening: AConnecting; probing) for a caller
    // that watches blocking I/O.
    std::function<void(bool AConnecting, const std::function<void()>& AStep)> Blocking;
};

class TOpenedInput {
public:
    enum class TStep { None, Open, Prepare, Probe };  // where a failure happened

    TOpenedInput() = default;
    ~TOpenedInput();
    TOpenedInput(const TOpenedInput&) = delete;
    TOpenedInput& operator=(const TOpenedInput&) = delete;

    // The error text, or "" when the input is open with its streams found.
    std::string Open(const std::string& ASource, const TOpenSteps& ASteps = {});
    AVFormatContext* Context() const { return FContext; }
    // The caller owns the context from now on (closing it with CloseSourceInput).
    AVFormatContext* Release();

    TStep FailedAt() const { return FFailedAt; }
    int Code() const { return FCode; }  // the libraries' code of the failed step
    bool FromSource() const { return FFromSource; }
    const TSourceHints& Hints() const { return FHints; }

private:
    std::string Fail(TStep AStep, int ACode, std::string AText);

    AVFormatContext* FContext = nullptr;
    TStep FFailedAt = TStep::None;
    int FCode = 0;
    bool FFromSource = false;
    TSourceHints FHints;
};

}  // namespace vidrelo
