#pragma once
// One task of the encoder component: a transcoding job that keeps a copy of
// the records its inputs and its output were set up with, and a decoder
// describing each opened input.
//
// Threads: set up on the owner's thread; runs like any job.
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/encoder/TEncoderTypes.h"
#include "engine/probe/TFFDecoder.h"

#include <memory>
#include <string>
#include <vector>

namespace vidrelo {

class TCustomEncoder;
class TStreamOptionList;

class TFFmpeg : public TCustomFFmpeg {
public:
    TFFmpeg(TCustomEncoder* AOwner, int AMaxFiles);
    ~TFFmpeg() override;

    // The component that made the task; the task uses its services.
    TCustomEncoder* Owner() const { return FOwner; }

    // Sets up and opens the next input: an empty AOptions->FileName is
    // filled in, the record is kept, its ExtOptions and fields become job
    // options. Without options the slot keeps a reset record. False with
    // LastErrMsg when the input cannot be opened (the slot is reset then);
    // refused options raise FFmpegException.
    bool AddInput(const std::string& AFileName, TInputOptions* AOptions);
    // The same for the output (opened in join mode when the record asks).
    bool AddOutput(const std::string& AFileName, TOutputOptions* AOptions);

    const TInputOptions& InputOptions(int AIndex) const { return FInputOptions.at(AIndex); }
    const TOutputOptions& OutputOptions(int AIndex) const { return FOutputOptions.at(AIndex); }
    // The decoder of an opened input; it describes the input only until
    // the task's run closes it.
    TFFDecoder* Decoder(int AIndex) const { return FDecoders.at(AIndex).get(); }
    // Forgets the inputs the run has closed (the decoders keep no pointer).
    void ForgetClosedInputs();

private:
    void ApplyInputOptions(const TInputOptions& AOptions);
    void ApplyOutputSettings(const TOutputOptions& AOptions, TStreamOptionList& AList);
    void ApplyOutputFields(const TOutputOptions& AOptions);
    void ApplyStreamInfo(const TStreamInfo& AInfo);
    void CreateFurtherStreams(const TOutputOptions& AOptions, TStreamOptionList& AList);
    void SetIfGiven(const std::string& AName, const std::string& AValue);
    template <typename T>
    T& Slot(std::vector<T>& ASlots, int AIndex);

    TCustomEncoder* const FOwner;
    std::vector<TInputOptions> FInputOptions;    // sized to the maximum on first use
    std::vector<TOutputOptions> FOutputOptions;  // likewise
    std::vector<std::unique_ptr<TFFDecoder>> FDecoders;
};

}  // namespace vidrelo
