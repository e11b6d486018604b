#pragma once
// The encoder component as the program's windows use it; everything is
// TCustomEncoder's.
#include "engine/encoder/TCustomEncoder.h"

namespace vidrelo {

class TFFEncoder : public TCustomEncoder {
public:
    using TCustomEncoder::TCustomEncoder;
};

}  // namespace vidrelo
