// A task of the encoder component: its inputs and output set up from the
// caller's records.
#include "engine/encoder/TFFmpeg.h"

#include "engine/CLocale.h"
#include "engine/StringFormat.h"
#include "engine/encoder/TCustomEncoder.h"
#include "engine/encoder/TExtOptions.h"

#include <cinttypes>

namespace vidrelo {

// A time in microseconds as the seconds text the time options read.
std::string MicrosecondsText(int64_t AValue)
{
    const char* sign = AValue < 0 ? "-" : "";
    const uint64_t magnitude = AValue < 0 ? 0 - static_cast<uint64_t>(AValue) : static_cast<uint64_t>(AValue);
    return Format("%s%" PRIu64 ".%06" PRIu64, sign, magnitude / 1000000, magnitude % 1000000);
}

TFFmpeg::TFFmpeg(TCustomEncoder* AOwner, int AMaxFiles)
    : TCustomFFmpeg(AMaxFiles, AOwner->Services()), FOwner(AOwner)
{
}

TFFmpeg::~TFFmpeg()
{
    // The job closes its inputs as it goes; the decoders must not outlive
    // the contexts they describe.
    ForgetClosedInputs();
}

template <typename T>
T& TFFmpeg::Slot(std::vector<T>& ASlots, int AIndex)
{
    if (ASlots.empty())
        ASlots.resize(MaxFiles());
    return ASlots.at(AIndex);
}

bool TFFmpeg::AddInput(const std::string& AFileName, TInputOptions* AOptions)
{
    const TCLocaleScope numbers;  // the record's numbers become option texts
    const int index = nb_input_files();
    TInputOptions& slot = Slot(FInputOptions, index);
    slot = TInputOptions();
    if (AOptions) {
        if (AOptions->FileName.empty())
            AOptions->FileName = AFileName;
        slot = *AOptions;
        try {
            ApplyInputOptions(slot);
        } catch (...) {
            slot = TInputOptions();
            throw;
        }
    }
    if (!OpenInput(AFileName)) {
        slot = TInputOptions();
        return false;
    }
    if (FDecoders.size() <= static_cast<std::size_t>(index))
        FDecoders.resize(index + 1);
    FDecoders[index] = std::make_unique<TFFDecoder>(FOwner->Services().Loader);
    FDecoders[index]->SetFileHandle(InputFile(index));
    return true;
}

void TFFmpeg::ApplyInputOptions(const TInputOptions& AOptions)
{
    for (const TExtOption& line : ParseExtOptions(AOptions.ExtOptions))
        if (!IgnoredInputOption(line.Name))
            SetExtOption(line.Name, line.Value);
    if (!AOptions.ForceFormat.empty())
        SetExtOption("f", AOptions.ForceFormat);
    if (AOptions.TimeStart != NoTimeValue)
        SetExtOption("ss", MicrosecondsText(AOptions.TimeStart));
    if (AOptions.ProgramID >= 0)
        SetExtOption("programid", std::to_string(AOptions.ProgramID));
}

bool TFFmpeg::AddOutput(const std::string& AFileName, TOutputOptions* AOptions)
{
    const TCLocaleScope numbers;  // the record's numbers become option texts
    const int index = nb_output_files();
    TOutputOptions& slot = Slot(FOutputOptions, index);
    slot = TOutputOptions();
    if (!AOptions)
        return OpenOutput(AFileName, false) >= 0;
    if (AOptions->FileName.empty())
        AOptions->FileName = AFileName;
    slot = *AOptions;
    try {
        const std::vector<TExtOption> lines = ParseExtOptions(slot.ExtOptions);
        TStreamOptionList list(slot, lines);
        ApplyOutputSettings(slot, list);
        if (OpenOutput(AFileName, slot.Join, slot.Overwrite) < 0) {
            slot = TOutputOptions();
            return false;
        }
        CreateFurtherStreams(slot, list);
    } catch (...) {
        if (nb_output_files() == index)
            slot = TOutputOptions();
        throw;
    }
    return true;
}

void TFFmpeg::ForgetClosedInputs()
{
    for (const std::unique_ptr<TFFDecoder>& decoder : FDecoders)
        if (decoder)
            decoder->SetFileHandle(nullptr);
}

}  // namespace vidrelo
