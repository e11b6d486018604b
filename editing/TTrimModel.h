#pragma once
// The trim editor's rules without a screen: where the two trim markers stand
// on the timeline, which times they mean, what typing a time or pressing
// "Set start"/"Set end" does to both, and when "Play trimmed video" jumps
// back. TClipForm shows what this holds and forwards the user's actions.
//
// Positions are a marker's left edge in timeline pixels; times are
// microseconds from the start of the title.
#include <cstdint>
#include <optional>
#include <string>

class TTrimModel {
public:
    static constexpr int kBarWidth = 456;    // the position bar's width
    static constexpr int kBarMax = 1000;     // its maximum value
    static constexpr int kOrigin = 10;       // a marker's position at bar value 0
    static constexpr int kMarkerWidth = 12;
    static constexpr int kMeetGap = kMarkerWidth - 1;  // two markers at one time

    enum TMarker { tmLeft, tmRight };

    // "hh:mm:ss" with whole hours not wrapped at 24.
    static std::string FormatTime(int64_t microseconds);
    // A time of day in microseconds, in 64-bit arithmetic.
    static int64_t TimeToMicroseconds(int hours, int minutes, int seconds, int milliseconds = 0);
    // A typed "hh:mm:ss" (blanks of the edit's mask allowed); none when it is
    // not a time of day.
    static std::optional<int64_t> ParseTime(const std::string& text);

    // --- geometry ---
    int TimeToX(int64_t time) const;
    static int ValueToX(int barValue);
    int64_t XToTime(int x) const;
    // The bar value of a player position; none while it cannot be shown.
    std::optional<int> BarValue(int64_t position) const;

    // --- the title ---
    // The duration the player reported when it opened the title; 0 or less
    // means it is not known (the title did not open) and the markers are off.
    void SetDuration(int64_t duration);
    int64_t Duration() const { return FDuration; }
    bool MarkersEnabled() const { return FDuration > 0; }
    // The title's stored times, as the window is shown: the times and texts,
    // and the markers when the duration is known.
    void Load(int64_t timeStart, int64_t timeEnd);
    void PlaceMarkers();

    int64_t TrimStart() const { return FTrimStart; }
    int64_t TrimEnd() const { return FTrimEnd; }
    int64_t TrimmedLength() const { return FTrimEnd - FTrimStart; }
    // What the two time edits show.
    const std::string& StartText() const { return FStartText; }
    const std::string& EndText() const { return FEndText; }
    int LeftX() const { return FLeftX; }
    int RightX() const { return FRightX; }
    // The line between the facing edges of the markers.
    int LineLeft() const;
    int LineWidth() const;

    // --- the user's actions ---
    // "Set start"/"Set end" at the player's last position, shown at the
    // bar's value.
    void SetStartAt(int64_t position, int barValue);
    void SetEndAt(int64_t position, int barValue);
    // The OK beside a time edit: false (nothing changes) for a text that is
    // not a time. The edit keeps the typed text.
    bool TypeStart(const std::string& text);
    bool TypeEnd(const std::string& text);
    // Dragging a marker: grabbed at `grabX` inside it, moved with the mouse
    // at `mouseX` inside it; a move out of bounds is refused (false).
    void BeginDrag(TMarker marker, int grabX);
    bool DragTo(TMarker marker, int mouseX);
    // The drop: the marker's time becomes the trim start or end; returned so
    // that the player can show the cut point.
    int64_t EndDrag(TMarker marker);
    bool Dragging(TMarker marker) const { return FDragging[marker]; }
    void Reset();

    // --- "Play trimmed video" ---
    bool PlayingTrimmed() const { return FPlayingTrimmed; }
    void SetPlayingTrimmed(bool playing) { FPlayingTrimmed = playing; }
    // Whether a position report must send the player back to TrimStart.
    bool LoopBack(int64_t position) const { return FPlayingTrimmed && position >= FTrimEnd; }

private:
    void SetTrimStart(int64_t time);
    void SetTrimEnd(int64_t time);
    int64_t Clamped(int64_t time) const;

    int64_t FDuration = 0;
    int64_t FTrimStart = 0;
    int64_t FTrimEnd = 0;
    std::string FStartText = "00:00:00";
    std::string FEndText = "00:00:00";
    int FLeftX = kOrigin;
    int FRightX = kOrigin + kBarWidth;
    int FGrabX[2] = {0, 0};
    bool FDragging[2] = {false, false};
    bool FPlayingTrimmed = false;
};
