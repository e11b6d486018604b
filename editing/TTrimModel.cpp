#include "editing/TTrimModel.h"

#include "engine/StringFormat.h"

#include <algorithm>
#include <cmath>
#include <regex>

std::string TTrimModel::FormatTime(int64_t microseconds)
{
    return vidrelo::ClockTime(microseconds);
}

int64_t TTrimModel::TimeToMicroseconds(int hours, int minutes, int seconds, int milliseconds)
{
    return ((int64_t{hours} * 3600 + int64_t{minutes} * 60 + seconds) * 1000 + milliseconds) * 1000;
}

std::optional<int64_t> TTrimModel::ParseTime(const std::string& text)
{
    // The edit's mask leaves blanks where nothing was typed.
    static const std::regex time(R"(^\s*(\d{1,2})\s*:\s*(\d{1,2})\s*:\s*(\d{1,2})\s*$)");
    std::smatch m;
    if (!std::regex_match(text, m, time))
        return std::nullopt;
    const int h = std::stoi(m[1]), min = std::stoi(m[2]), s = std::stoi(m[3]);
    if (h > 23 || min > 59 || s > 59)
        return std::nullopt;
    return TimeToMicroseconds(h, min, s);
}

int TTrimModel::TimeToX(int64_t time) const
{
    if (FDuration <= 0)
        return kOrigin;
    return static_cast<int>((time * kBarMax / FDuration) * kBarWidth / 1000) + kOrigin;
}

int TTrimModel::ValueToX(int barValue)
{
    return kBarWidth * barValue / 1000 + kOrigin;
}

int64_t TTrimModel::XToTime(int x) const
{
    // nearbyint rounds half to even in the default rounding mode.
    const auto value = static_cast<int64_t>(std::nearbyint((x - kOrigin) * 1000.0 / kBarWidth));
    return value * FDuration / kBarMax;
}

std::optional<int> TTrimModel::BarValue(int64_t position) const
{
    if (position < 0 || FDuration <= 0)
        return std::nullopt;
    return static_cast<int>(std::min<int64_t>(position, FDuration) * kBarMax / FDuration);
}

void TTrimModel::SetDuration(int64_t duration)
{
    FDuration = std::max<int64_t>(duration, 0);
}

void TTrimModel::Load(int64_t timeStart, int64_t timeEnd)
{
    FPlayingTrimmed = false;
    FDragging[tmLeft] = FDragging[tmRight] = false;
    SetTrimStart(timeStart);
    SetTrimEnd(timeEnd);
}

void TTrimModel::PlaceMarkers()
{
    if (!MarkersEnabled())
        return;  // a title that did not open has no length to place them on
    FLeftX = TimeToX(FTrimStart);
    if (FTrimStart >= FTrimEnd) {
        FRightX = FLeftX;
        FLeftX -= kMeetGap;
    }
    FRightX = TimeToX(FTrimEnd);
    if (FTrimEnd <= FTrimStart) {
        FLeftX = FRightX;
        FRightX += kMeetGap;
    }
}

int TTrimModel::LineLeft() const
{
    return FLeftX + kMarkerWidth / 2 + 6;
}

int TTrimModel::LineWidth() const
{
    return std::max(0, FRightX + kMarkerWidth / 2 - 6 - LineLeft());
}

void TTrimModel::SetTrimStart(int64_t time)
{
    FTrimStart = time;
    FStartText = FormatTime(time);
}

void TTrimModel::SetTrimEnd(int64_t time)
{
    FTrimEnd = time;
    FEndText = FormatTime(time);
}

int64_t TTrimModel::Clamped(int64_t time) const
{
    // A typed time past the title's end would put a marker beyond the bar and
    // ask the conversion for pictures that do not exist.
    return FDuration > 0 ? std::min(time, FDuration) : time;
}

void TTrimModel::SetStartAt(int64_t position, int barValue)
{
    if (!MarkersEnabled())
        return;
    SetTrimStart(position);
    FLeftX = ValueToX(barValue);
    if (FTrimStart >= FTrimEnd) {
        SetTrimEnd(position);
        FRightX = ValueToX(barValue);
        FLeftX -= kMeetGap;
    }
}

void TTrimModel::SetEndAt(int64_t position, int barValue)
{
    if (!MarkersEnabled())
        return;
    SetTrimEnd(position);
    FRightX = ValueToX(barValue);
    if (FTrimStart >= FTrimEnd) {
        SetTrimStart(position);
        FLeftX = ValueToX(barValue);
        FRightX += kMeetGap;
    }
}

bool TTrimModel::TypeStart(const std::string& text)
{
    const std::optional<int64_t> time = ParseTime(text);
    if (!time)
        return false;
    FTrimStart = Clamped(*time);
    FStartText = text;
    FLeftX = TimeToX(FTrimStart);
    if (FTrimStart >= FTrimEnd) {
        SetTrimEnd(FTrimStart);
        FRightX = FLeftX;
        FLeftX -= kMeetGap;
    }
    return true;
}

bool TTrimModel::TypeEnd(const std::string& text)
{
    const std::optional<int64_t> time = ParseTime(text);
    if (!time)
        return false;
    FTrimEnd = Clamped(*time);
    FEndText = text;
    FRightX = TimeToX(FTrimEnd);
    if (FTrimEnd <= FTrimStart) {
        SetTrimStart(FTrimEnd);
        FLeftX = FRightX;
        FRightX += kMeetGap;
    }
    return true;
}

void TTrimModel::BeginDrag(TMarker marker, int grabX)
{
    if (!MarkersEnabled())
        return;
    FPlayingTrimmed = false;
    FDragging[marker] = true;
    FGrabX[marker] = grabX;
}

bool TTrimModel::DragTo(TMarker marker, int mouseX)
{
    if (!FDragging[marker])
        return false;
    int& x = marker == tmLeft ? FLeftX : FRightX;
    const int moved = x + mouseX - FGrabX[marker];
    const bool besideOther = marker == tmLeft ? moved < FRightX : moved > FLeftX;
    if (!besideOther || moved <= kOrigin || moved >= kBarWidth + kOrigin)
        return false;
    x = moved;
    return true;
}

int64_t TTrimModel::EndDrag(TMarker marker)
{
    FDragging[marker] = false;
    if (marker == tmLeft) {
        SetTrimStart(XToTime(FLeftX));
        return FTrimStart;
    }
    SetTrimEnd(XToTime(FRightX));
    return FTrimEnd;
}

void TTrimModel::Reset()
{
    if (!MarkersEnabled())
        return;  // the end would become 0: nothing of the title left
    FLeftX = kOrigin;
    FRightX = kBarWidth + kOrigin;
    SetTrimStart(0);
    SetTrimEnd(FDuration);
}
