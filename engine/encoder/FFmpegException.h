#pragma once
// The error a transcoding job raises for a refused option or a failed run
// step. Its message is meant for the user; the encoder component reports it
// through its LastErrMsg.
#include "engine/EngineError.h"

namespace vidrelo {

class FFmpegException : public EEngineError {
public:
    using EEngineError::EEngineError;
};

}  // namespace vidrelo
