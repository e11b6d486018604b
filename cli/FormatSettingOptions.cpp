#include "cli/FormatSettingOptions.h"

#include "catalogue/TFormatSettings.h"

#include <array>
#include <cstdio>

namespace vidrelo::cli {
namespace {

struct TSettingOption {
    const char* Name;
    TSettingBox Box;
    QString TFormat::*Current;  // null for the size (Width and Height)
};

// In the order they are chosen and listed.
const std::array<TSettingOption, sbBoxCount>& SettingOptions()
{
    static const std::array<TSettingOption, sbBoxCount> options = {{
        {"--vcodec", sbVideoEncoder, &TFormat::VideoCodecName},
        {"--size", sbResolution, nullptr},
        {"--vb", sbVideoBitRate, &TFormat::VideoBitRate},
        {"--rate", sbFrameRate, &TFormat::FrameRate},
        {"--acodec", sbAudioEncoder, &TFormat::AudioCodecName},
        {"--ar", sbSampleRate, &TFormat::SampleRate},
        {"--ab", sbAudioBitRate, &TFormat::AudioBitRate},
        {"--ac", sbChannel, &TFormat::Channel},
    }};
    return options;
}

// The editor opened on the format, or false when there is none.
bool OpenOn(TFormatSettings& settings, TCatalogue& catalogue, int profileInd, int formatInd)
{
    if (!catalogue.FormatAt(profileInd, formatInd))
        return false;
    catalogue.SelectedProfileInd = profileInd;
    catalogue.SelectedFormatInd = formatInd;
    return settings.Open();
}

// "640*480" as the command line writes it.
QString AsWxH(const QString& resolution)
{
    return QString(resolution).replace(u'*', u'x');
}

QString CurrentValue(const TSettingOption& option, const TFormat& format)
{
    if (!option.Current)
        return format.Width.isEmpty() && format.Height.isEmpty() ? QString() : format.Width + "x" + format.Height;
    return format.*option.Current;
}

bool IsCurrent(const TSettingOption& option, const TSettingBoxState& box, qsizetype item)
{
    if (option.Box == sbResolution)
        return !box.Text.isEmpty() && box.Items[item] == box.Text;
    return item == box.Selected;
}

void Print(const QString& line)
{
    std::fputs((line + u'\n').toUtf8().constData(), stdout);
}

void PrintOption(const TSettingOption& option, const TFormatSettings& settings, const TFormat& format)
{
    const TSettingBoxState& box = settings.Box(option.Box);
    QString head = QStringLiteral("%1\t%2\t%3")
                       .arg(QString::fromLatin1(option.Name), CurrentValue(option, format),
                            box.Enabled ? QStringLiteral("can be changed") : QStringLiteral("cannot be changed"));
    if (option.Box == sbResolution && box.Enabled)
        head += QStringLiteral("\tany even size from 64x64 to 1920x1280, or:");
    Print(head);
    if (!box.Enabled)
        return;
    // Only items with both a value and a label can be chosen.
    for (qsizetype i = 0; i < box.Items.size() && i < box.Values.size(); ++i)
        Print(QStringLiteral("  %1\t%2%3").arg(box.Values[i], box.Items[i],
                                              IsCurrent(option, box, i) ? QStringLiteral("\t(current)") : QString()));
}

}  // namespace

bool ApplyFormatSettings(TCatalogue& catalogue, int profileInd, int formatInd,
                         const std::map<std::string, std::string>& settings, std::string& error)
{
    if (settings.empty())
        return true;
    bool storeFailed = false;
    TFormatSettings editor(catalogue, [&storeFailed](const QString&, const QString&) { storeFailed = true; });
    if (!OpenOn(editor, catalogue, profileInd, formatInd)) {
        error = "the chosen format is not in the catalogue";
        return false;
    }
    for (const TSettingOption& option : SettingOptions()) {
        const auto given = settings.find(option.Name);
        QString reason;
        if (given != settings.end() && !editor.Choose(option.Box, QString::fromStdString(given->second), reason)) {
            error = std::string(option.Name) + ": " + reason.toStdString();
            return false;
        }
    }
    // Only the format's own size can break the rule here: a given one was checked.
    if (!editor.Ok()) {
        error = "--size: the format's size \"" + AsWxH(editor.Box(sbResolution).Text).toStdString() +
                "\" is refused, give another: " + TFormatSettings::ResolutionWarning.toStdString();
        return false;
    }
    if (storeFailed)
        error = "the settings could not all be stored in the format";
    return !storeFailed;
}

bool PrintFormatDetails(TCatalogue& catalogue, int profileInd, int formatInd)
{
    TFormatSettings editor(catalogue);
    if (!OpenOn(editor, catalogue, profileInd, formatInd))
        return false;
    const TFormat& format = *catalogue.FormatAt(profileInd, formatInd);
    Print(format.Title + u'\t' + format.FormatExt);
    for (const TSettingOption& option : SettingOptions())
        PrintOption(option, editor, format);
    return true;
}

}  // namespace vidrelo::cli
