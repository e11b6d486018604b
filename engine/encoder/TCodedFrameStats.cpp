#include "engine/encoder/TCodedFrameStats.h"

#include "engine/StringFormat.h"
#include "engine/loader/AVBindings.h"

#include <cmath>

namespace vidrelo {
namespace {

uint64_t LittleEndian(const uint8_t* data, int bytes)
{
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | data[i];
    return value;
}

double Psnr(double normalisedError)
{
    return -10.0 * std::log10(normalisedError);
}

// Samples in each plane of a picture of that size and format (4:2:0 when
// the format is unknown).
std::array<double, 3> PlaneSamples(int width, int height, AVPixelFormat format)
{
    const AVPixFmtDescriptor* desc = ff::av_pix_fmt_desc_get(format);
    const int shiftW = desc ? desc->log2_chroma_w : 1;
    const int shiftH = desc ? desc->log2_chroma_h : 1;
    const double luma = double(width) * height;
    const double chroma = double(-((-width) >> shiftW)) * double(-((-height) >> shiftH));
    return {luma, chroma, chroma};
}

}  // namespace

void TCodedFrameStats::Add(const uint8_t* AData, std::size_t ASize)
{
    FPlanes = 0;
    if (!AData || ASize < 5)
        return;
    FLastQuality = static_cast<int>(LittleEndian(AData, 4));
    FLastType = " IPBSipb"[AData[4] < 8 ? AData[4] : 0];
    const long qp = std::lrint(FLastQuality / static_cast<double>(FF_QP2LAMBDA));
    if (qp >= 0 && qp < static_cast<long>(FHistogram.size()))
        ++FHistogram[qp];
    const int planes = ASize >= 6 ? AData[5] : 0;
    for (int i = 0; i < planes && i < 3 && 16 + 8 * std::size_t(i) <= ASize; ++i) {
        FLastError[i] = static_cast<double>(LittleEndian(AData + 8 + 8 * i, 8));
        FTotalError[i] += FLastError[i];
        FPlanes = i + 1;
    }
    if (FPlanes == 3)
        ++FMeasured;
}

std::string TCodedFrameStats::Histogram() const
{
    std::string digits;
    for (const int count : FHistogram)
        digits += Format("%X", static_cast<int>(std::log2(count + 1.0)));
    return digits;
}

std::string TCodedFrameStats::PsnrText(int AWidth, int AHeight, AVPixelFormat AFormat, bool ATotal) const
{
    if (ATotal ? FMeasured == 0 : FPlanes < 3)
        return {};
    const std::array<double, 3> samples = PlaneSamples(AWidth, AHeight, AFormat);
    const std::array<double, 3>& error = ATotal ? FTotalError : FLastError;
    const double pictures = ATotal ? FMeasured : 1;
    std::string text = "PSNR=";
    double errorSum = 0, scaleSum = 0;
    for (int i = 0; i < 3; ++i) {
        const double scale = samples[i] * 255.0 * 255.0 * pictures;
        errorSum += error[i];
        scaleSum += scale;
        text += Format("%c:%2.2f ", "YUV"[i], Psnr(error[i] / scale));
    }
    return text + Format("*:%2.2f ", Psnr(errorSum / scaleSum));
}

double TCodedFrameStats::LastLumaPsnr(int AWidth, int AHeight) const
{
    if (FPlanes < 1)
        return NAN;
    return Psnr(FLastError[0] / (double(AWidth) * AHeight * 255.0 * 255.0));
}

}  // namespace vidrelo
