#include "engine/encoder/TAVOutputStream.h"

#include "engine/encoder/TAudioConverter.h"
#include "engine/encoder/TEncoderStage.h"
#include "engine/encoder/TSubtitleBurner.h"
#include "engine/encoder/TVideoFilterGraph.h"
#include "engine/loader/AVBindings.h"

namespace vidrelo {

TAVOutputStream::TAVOutputStream() = default;

TAVOutputStream::~TAVOutputStream()
{
    encoder.reset();  // its thread writes through what is freed below
    for (AVBSFContext*& filter : bitstream_filters)
        if (ff::av_bsf_free)
            ff::av_bsf_free(&filter);
    if (logfile)
        std::fclose(logfile);
}

}  // namespace vidrelo
