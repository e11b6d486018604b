#pragma once
// What the profile settings editor shows and stores, without its widgets:
// eight boxes over the current values of the chosen format and the choice
// lists it offers. The dialog and "vidrelo-cli rip" both change a format
// through this class, so one set of rules decides what may be chosen.
#include "catalogue/TCatalogue.h"

#include <QString>
#include <QStringList>

#include <array>

// In the order OK stores them.
enum TSettingBox {
    sbResolution,
    sbVideoBitRate,
    sbFrameRate,
    sbVideoEncoder,
    sbSampleRate,
    sbChannel,
    sbAudioEncoder,
    sbAudioBitRate,
    sbBoxCount
};

struct TSettingBoxState {
    QStringList Items;   // the labels shown
    QStringList Values;  // what each position stores
    int Selected = -1;   // the chosen item of a fixed list; -1: none
    QString Text;        // what the box shows (the resolution's free text)
    bool Enabled = true;
};

// How messages name a box ("frame rate").
QString SettingBoxName(TSettingBox box);

// The resolution text's width (before the first "*") and height (after the
// last "*"); -1 for a part that is not a decimal number, both -1 without "*".
struct TResolution {
    int Width = -1;
    int Height = -1;
};
TResolution ParseResolution(const QString& text);
// Even sizes from 64*64 to 1920*1280.
bool ResolutionValid(const TResolution& size);

class TFormatSettings {
public:
    static const QString ResolutionWarning;

    TFormatSettings(TCatalogue& catalogue, TReportErrorFunc reportError = {});

    // Opening: fills the boxes from the chosen format (the catalogue's
    // selected one) and disables every box that shows nothing. False when
    // the catalogue has no such format.
    bool Open();
    // "Default": the boxes again as the format's current values fill them.
    void Default();

    const QString& ProfileText() const { return FProfileText; }
    const TSettingBoxState& Box(TSettingBox box) const { return FBoxes[box]; }
    // What the user did in a box: a fixed list's item, the resolution's text.
    void Select(TSettingBox box, int index);
    void SetResolutionText(const QString& text);
    // A choice named as a script names it: a value or a label of the box's
    // list (letter case aside), or "W*H" for the resolution. False, with the
    // reason, when the box is disabled or offers no such choice.
    bool Choose(TSettingBox box, const QString& choice, QString& error);

    // "OK": false (nothing stored) when the resolution of a video format
    // breaks the rule, for ResolutionWarning. Otherwise the format becomes
    // the last-edited one and takes the value of every enabled box; true,
    // also when storing failed part-way (reported; what was stored stays).
    bool Ok();

private:
    void Fill(const TFormat& format);
    void StoreBox(TSettingBox box, TFormat& format) const;

    TCatalogue& FCatalogue;
    TReportErrorFunc FReportError;
    int FProfileInd = -1;
    int FFormatInd = -1;
    QString FProfileText;
    std::array<TSettingBoxState, sbBoxCount> FBoxes;
};
