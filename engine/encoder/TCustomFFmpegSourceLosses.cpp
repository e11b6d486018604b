// What the run's sources lost on the way (a damaged disc's skipped
// sectors) and whether the output still holds what they promised. A source
// that skips what it cannot read never ends early, so a DVD title that
// converted to much less than its length has lost part of itself: the task
// says so instead of passing for a clean success.
#include "engine/StringFormat.h"
#include "engine/encoder/FFmpegException.h"
#include "engine/encoder/TCustomFFmpeg.h"
#include "engine/loader/TSourceInput.h"
#include "engine/probe/FileInfoText.h"

#include <algorithm>

namespace vidrelo {
namespace {

// An output is reported short when it misses more than this share of the
// expected length, and more than the slack: the time written lags the last
// picture shown by the encoder's delay, which weighs on clips of a second.
constexpr double kShortShare = 0.1;
constexpr double kSlackSeconds = 1.0;

// "00:01:02.480" for microseconds on the source's clock.
std::string ClockText(int64_t AMicroseconds)
{
    return DurationText(std::max<int64_t>(AMicroseconds, 0));
}

}  // namespace

// What the inputs hold past where they were started, cut to "t" when given;
// -1 when unknown.
int64_t TCustomFFmpeg::ExpectedOutputDuration() const
{
    int64_t inputs = 0;
    for (int i = 0; i < nb_input_files(); ++i) {
        const TInputFileSetup& input = FInputs.Setup(i);
        if (input.Duration == AV_NOPTS_VALUE || input.Duration <= 0)
            return -1;
        inputs = FJoinMode ? inputs + input.Duration : std::max(inputs, input.Duration);
    }
    const int64_t available = inputs - FSkippedStart;
    if (available <= 0)
        return -1;
    return FOpt.Frecording_time == INT64_MAX ? available : std::min(available, FOpt.Frecording_time);
}

void TCustomFFmpeg::AddWarning(const std::string& AText)
{
    Log(llWarning, AText);
    FWarning += (FWarning.empty() ? "" : " ") + AText;
}

// A copied video can begin only at a key frame, and a trim's start rarely is
// one: where the file really begins and ends on the source's clock.
void TCustomFFmpeg::ReportCopyCuts()
{
    // The run's clock starts where the input was sought to (an input "ss");
    // the source's own clock is that much ahead.
    const int64_t skipped = std::max<int64_t>(FSkippedStart, 0);
    const int64_t start = std::max<int64_t>(FOpt.Fstart_time, 0);
    // Only a trim has cut points: a recording time that reaches the input's
    // end (give or take the rounding of a title's length) cuts nothing.
    constexpr int64_t kSlack = 50000;
    int64_t available = -1;
    if (nb_input_files() == 1 && FInputs.Setup(0).Duration != AV_NOPTS_VALUE)
        available = FInputs.Setup(0).Duration - skipped - start;
    const bool endCut =
        FOpt.Frecording_time != INT64_MAX && (available < 0 || FOpt.Frecording_time < available - kSlack);
    if (skipped + start <= 0 && !endCut)
        return;
    for (const TAVOutputStream* record : FOutputs.Records()) {
        if (record->encoding_needed || record->st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO ||
            record->copy_first == INT64_MIN)
            continue;
        const std::string askedEnd =
            endCut ? ClockText(skipped + start + FOpt.Frecording_time) : std::string("the end");
        AddWarning("The copied video is cut at key frames: it runs from " + ClockText(skipped + record->copy_first) +
                   " to " + ClockText(skipped + record->copy_end) + " of the source (asked: " +
                   ClockText(skipped + start) + " to " + askedEnd + ").");
        return;
    }
}

void TCustomFFmpeg::ReportSourceLosses()
{
    bool allFromSource = !FInputs.Empty();
    for (int i = 0; i < nb_input_files(); ++i) {
        allFromSource = allFromSource && FInputs.Setup(i).FromSource;
        const std::string problems = SourceInputProblems(FInputs.Context(i));
        if (!problems.empty())
            AddWarning(FInputs.Setup(i).FileName + ": " + problems);
    }
    // A stopped run is as short as the user wanted it.
    if (!allFromSource || FBroken)
        return;
    double written = 0;
    if (const TAVOutputStream* video = FOutputs.FirstVideoStream())
        written = video->out_time;
    else
        for (TAVOutputStream* record : FOutputs.Records())
            written = std::max(written, record->out_time);
    if (written <= 0)
        throw FFmpegException("Nothing could be converted: the source gave no pictures or sound" +
                              (FWarning.empty() ? std::string(".") : " (" + FWarning + ")"));
    const int64_t expectedDuration = ExpectedOutputDuration();
    const double expected = expectedDuration / 1e6;
    if (expectedDuration <= 0 || expected - written <= std::max(kShortShare * expected, kSlackSeconds))
        return;
    FIncomplete = true;
    AddWarning(Format("The output is short: it lasts %.1f s of the %.1f s expected (%.0f %%).", written, expected,
                      100.0 * written / expected));
}

}  // namespace vidrelo
