#pragma once
// What the picture filter tests share: the libraries loaded, the engine log
// captured at debug level, both filters registered, and frames to filter.
#include "engine/MediaEngine.h"
#include "engine/filter/TNativeFilter.h"
#include "engine/log/TFFLogger.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vidrelo::test {

struct TFrameFree {
    void operator()(AVFrame* frame) const;
};
using TFramePtr = std::unique_ptr<AVFrame, TFrameFree>;

// A frame with its own buffers (av_frame_get_buffer), every sample of plane
// p at (x, y) set to fill(p, x, y).
TFramePtr MakeFrame(AVPixelFormat format, int width, int height,
                     const std::function<uint8_t(int plane, int x, int y)>& fill);
// Width and height of plane `plane` of `frame`.
int PlaneWidth(const AVFrame& frame, int plane);
int PlaneHeight(const AVFrame& frame, int plane);
uint8_t& Sample(AVFrame& frame, int plane, int x, int y);
// Every byte of the frame's planes, padding included.
std::vector<uint8_t> FrameBytes(const AVFrame& frame);

class PictureFilterTest : public ::testing::Test {
protected:
    struct TLine {
        TLogLevel Level;
        std::string Text;
    };

    void SetUp() override;
    void TearDown() override;

    // A filter instance of the registered filter `name`; fails the test when
    // initialisation fails.
    std::unique_ptr<TNativeFilterInstance> Create(const std::string& name, const std::string& options);
    // The lines logged so far by the filter `name` as "<level> <text>"
    // ("debug brightness:0, contrast 0"), without their context prefix;
    // forgets every line logged so far, and the log's memory of the last one.
    std::vector<std::string> TakeLines(const std::string& name);

    TMediaEngineScope Engine;
    std::vector<TLine> Lines;
};

}  // namespace vidrelo::test
