#include "catalogue/TFormatSettings.h"

#include "catalogue/FormatLine.h"
#include "catalogue/FormatCheck.h"

#include <stdexcept>

namespace {

struct TBoxFields {
    QString TFormat::*List;
    QString TFormat::*Current;  // null for the resolution (Width and Height)
    const char* Name;
};

const TBoxFields& Fields(TSettingBox box)
{
    static const std::array<TBoxFields, sbBoxCount> fields = {{
        {&TFormat::Resolutions, nullptr, "resolution"},
        {&TFormat::VideoBitRates, &TFormat::VideoBitRate, "video bit rate"},
        {&TFormat::FrameRates, &TFormat::FrameRate, "frame rate"},
        {&TFormat::VideoCodecs, &TFormat::VideoCodecName, "video encoder"},
        {&TFormat::SampleRates, &TFormat::SampleRate, "sample rate"},
        {&TFormat::Channels, &TFormat::Channel, "channels"},
        {&TFormat::AudioCodecs, &TFormat::AudioCodecName, "audio encoder"},
        {&TFormat::AudioBitRates, &TFormat::AudioBitRate, "audio bit rate"},
    }};
    return fields[box];
}

int DecimalOrMinusOne(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : -1;
}

// "libx264 (H.264 / AVC), mpeg4 (MPEG-4 Part 2)": what a box offers.
QString Offers(const TSettingBoxState& box)
{
    QStringList items;
    for (qsizetype i = 0; i < box.Items.size() && i < box.Values.size(); ++i)
        items << box.Values[i] + " (" + box.Items[i] + ")";
    return items.join(", ");
}

}  // namespace

const QString TFormatSettings::ResolutionWarning = QStringLiteral(
    "Please input valid resolution. Both width and height must be multiples of 2, and range from 64*64 to "
    "1920*1280.");

QString SettingBoxName(TSettingBox box)
{
    return QString::fromLatin1(Fields(box).Name);
}

TResolution ParseResolution(const QString& text)
{
    const qsizetype first = text.indexOf(u'*');
    if (first < 0)
        return {};
    const qsizetype last = text.lastIndexOf(u'*');
    return {DecimalOrMinusOne(text.left(first)), DecimalOrMinusOne(text.mid(last + 1))};
}

bool ResolutionValid(const TResolution& size)
{
    return size.Width >= 64 && size.Width <= 1920 && size.Height >= 64 && size.Height <= 1280 &&
           size.Width % 2 == 0 && size.Height % 2 == 0;
}

TFormatSettings::TFormatSettings(TCatalogue& catalogue, TReportErrorFunc reportError)
    : FCatalogue(catalogue), FReportError(std::move(reportError))
{
}

bool TFormatSettings::Open()
{
    FProfileInd = FCatalogue.SelectedProfileInd;
    FFormatInd = FCatalogue.SelectedFormatInd;
    const TFormat* format = FCatalogue.FormatAt(FProfileInd, FFormatInd);
    if (!format)
        return false;
    Fill(*format);
    // A copy format's values describe the disc, not a choice.
    const bool copy = IsCopyFormat(*format);
    for (TSettingBoxState& box : FBoxes)
        box.Enabled = !copy && !box.Text.isEmpty();
    return true;
}

void TFormatSettings::Default()
{
    if (const TFormat* format = FCatalogue.FormatAt(FProfileInd, FFormatInd))
        Fill(*format);
}

void TFormatSettings::Fill(const TFormat& format)
{
    FProfileText = format.Title;
    for (int b = 0; b < sbBoxCount; ++b) {
        const TBoxFields& fields = Fields(static_cast<TSettingBox>(b));
        const TChoiceList list = SplitChoiceList(format.*fields.List);
        TSettingBoxState& box = FBoxes[b];
        box.Items = list.Labels;
        box.Values = list.Values;
        box.Selected = -1;
        box.Text.clear();
        if (!fields.Current) {
            box.Text = format.Width + "*" + format.Height;
            if (box.Text == "*")
                box.Text.clear();
            continue;
        }
        const QString& current = format.*fields.Current;
        for (qsizetype i = 0; i < list.Values.size(); ++i)
            if (list.Values[i].compare(current, Qt::CaseInsensitive) == 0) {
                Select(static_cast<TSettingBox>(b), static_cast<int>(i));
                break;
            }
    }
}

void TFormatSettings::Select(TSettingBox box, int index)
{
    TSettingBoxState& state = FBoxes[box];
    // A value whose position has no label cannot be shown, so nothing is selected.
    state.Selected = index >= 0 && index < state.Items.size() ? index : -1;
    state.Text = state.Selected >= 0 ? state.Items[state.Selected] : QString();
}

void TFormatSettings::SetResolutionText(const QString& text)
{
    FBoxes[sbResolution].Text = text;
}

bool TFormatSettings::Choose(TSettingBox box, const QString& choice, QString& error)
{
    const TSettingBoxState& state = FBoxes[box];
    const QString title = FProfileText;
    if (!state.Enabled) {
        error = QStringLiteral("the %1 of \"%2\" cannot be changed: the format offers no choice of it")
                    .arg(SettingBoxName(box), title);
        return false;
    }
    if (box == sbResolution) {
        if (!ResolutionValid(ParseResolution(choice))) {
            error = ResolutionWarning;
            return false;
        }
        SetResolutionText(choice);
        return true;
    }
    for (qsizetype i = 0; i < state.Items.size() && i < state.Values.size(); ++i) {
        if (state.Values[i].compare(choice, Qt::CaseInsensitive) == 0 ||
            state.Items[i].compare(choice, Qt::CaseInsensitive) == 0) {
            Select(box, static_cast<int>(i));
            return true;
        }
    }
    error = QStringLiteral("\"%1\" is not offered as the %2 of \"%3\"; choose one of: %4")
                .arg(choice, SettingBoxName(box), title, Offers(state));
    return false;
}

bool TFormatSettings::Ok()
{
    TFormat* format = FCatalogue.FormatAt(FProfileInd, FFormatInd);
    // An audio-only format has no picture size to check (and no way to enter
    // one: its resolution box is disabled), so the rule would lock it.
    const bool audioOnly = format && (IsAudioOnly(*format) || IsCopyFormat(*format));
    if (!audioOnly && !ResolutionValid(ParseResolution(FBoxes[sbResolution].Text)))
        return false;
    try {
        if (!format)
            throw std::out_of_range("the edited format is no longer in the catalogue");
        FCatalogue.LastEditedProfileInd = FProfileInd;
        FCatalogue.LastEditedFormatInd = FFormatInd;
        for (int b = 0; b < sbBoxCount; ++b)
            if (FBoxes[b].Enabled)
                StoreBox(static_cast<TSettingBox>(b), *format);
    } catch (const std::exception&) {
        if (FReportError)
            FReportError(QStringLiteral("Error setting profile"), QStringLiteral("CLM_SettingProfile"));
    }
    if (format)
        format->Fault = FormatFault(*format);  // the new values may mend or spoil it
    return true;
}

void TFormatSettings::StoreBox(TSettingBox box, TFormat& format) const
{
    const TSettingBoxState& state = FBoxes[box];
    if (box == sbResolution) {
        // As typed, between the stars.
        format.Width = state.Text.left(state.Text.indexOf(u'*'));
        format.Height = state.Text.mid(state.Text.lastIndexOf(u'*') + 1);
        return;
    }
    // Values and labels pair by position only: a label without a value stores nothing.
    if (state.Selected < 0 || state.Selected >= state.Values.size())
        throw std::out_of_range("the chosen item has no value");
    format.*Fields(box).Current = state.Values[state.Selected];
}
