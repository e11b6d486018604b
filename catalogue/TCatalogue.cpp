#include "catalogue/TCatalogue.h"

#include "catalogue/Decryptor.h"
#include "catalogue/FormatCheck.h"
#include "catalogue/FormatLine.h"
#include "catalogue/ProfileIcons.h"
#include "catalogue/ProfilesFile.h"

#include <QDir>

#include <algorithm>
#include <exception>
#include <utility>

TCatalogue::TCatalogue(QString folder, TReportErrorFunc reportError)
    : FFolder(std::move(folder)), FReportError(std::move(reportError))
{
}

void TCatalogue::LoadIcons()
{
    ProfileIcons = LoadProfileIcons(QDir(FFolder).filePath(QStringLiteral("Icons")));
}

bool TCatalogue::LoadProfiles()
{
    TProfilesFileResult read = ReadProfilesFile(QDir(FFolder).filePath(QStringLiteral("Profiles.dat")));
    ChooserHeight = read.ChooserHeight;
    Profiles.append(read.Profiles);
    TProfile all;
    all.Title = QStringLiteral("All Profiles");
    all.ID = QStringLiteral("0");
    all.Icon = QStringLiteral("menuall");
    Profiles.append(all);
    if (!read.Ok)
        Report(QStringLiteral("Error loading profiles"), QStringLiteral("CLM_LoadProfiles"), read.Error);
    return read.Ok;
}

bool TCatalogue::LoadFormats()
{
    const QStringList lines = LoadScrambledFile(QDir(FFolder).filePath(QStringLiteral("Formats.dat")));
    TFormatProblems problems;
    // The first three lines and the last two frame the format lines.
    for (qsizetype i = 3; i <= lines.size() - 3; ++i) {
        if (!ReadFormat(lines[i], static_cast<int>(i + 1), problems))
            break;
    }
    FormatAssigned = QList<bool>(AllFormats.size(), false);
    const bool usable = std::any_of(AllFormats.cbegin(), AllFormats.cend(),
                                    [](const TFormat& f) { return f.Fault.isEmpty(); });
    if (!usable)
        problems.Faults.prepend(QStringLiteral("Formats.dat holds no usable format"));
    const QString summary = problems.Summary();
    if (summary.isEmpty())
        return true;
    // The window shows only the message, so it names what is wrong.
    Report(QStringLiteral("Error loading formats: ") + summary, QStringLiteral("CLM_LoadFormats"), summary);
    return false;
}

// One line between the frame lines. A line holding no format attribute is
// no format (a comment, damaged bytes) and is left out; a format whose
// numbers the conversion cannot use keeps its place, marked, so that the
// indices after it stay what the remembered choice expects. False when a
// value lacks its closing quote: nothing after it can be trusted.
bool TCatalogue::ReadFormat(const QString& line, int lineNumber, TFormatProblems& problems)
{
    if (line.trimmed().isEmpty())
        return true;
    if (!IsFormatLine(line)) {
        problems.NotFormatLines.append(lineNumber);
        return true;
    }
    TFormat format;
    if (!ParseFormatLine(line, format)) {
        // A half-read format would be offered as if it were whole.
        problems.Faults.append(
            QStringLiteral("line %1 of Formats.dat has a value without its closing quote").arg(lineNumber));
        return false;
    }
    format.Fault = FormatFault(format);
    if (!format.Fault.isEmpty())
        problems.Faults.append(FormatPlace(lineNumber, format.Title) + QStringLiteral(": ") + format.Fault);
    AllFormats.append(format);
    return true;
}

bool TCatalogue::LinkFormats()
{
    FProfileDisplay = TProfileDisplay();
    try {
        FormatAssigned.resize(AllFormats.size(), false);
        for (int p = 0; p < Profiles.size(); ++p) {
            for (int f = 0; f < AllFormats.size(); ++f)
                LinkFormat(p, f);
        }
    } catch (const std::exception& e) {
        Report(QStringLiteral("Error initialising profiles"), QStringLiteral("CLM_InitProfiles"),
               QString::fromLocal8Bit(e.what()));
        return false;
    }
    return true;
}

// A format joins the first profile whose ID is its category; a profile with
// the ID "0" takes every format.
void TCatalogue::LinkFormat(int profileInd, int formatInd)
{
    TProfile& profile = Profiles[profileInd];
    const bool belongs = !FormatAssigned[formatInd] && profile.ID == AllFormats[formatInd].Category;
    if (!belongs && profile.ID != QStringLiteral("0"))
        return;
    FormatAssigned[formatInd] = true;
    profile.Formats.append(AllFormats[formatInd]);
    const int k = static_cast<int>(profile.Formats.size()) - 1;
    if (profileInd == RecentProfileInd && k == RecentFormatInd)
        RestoreChoice(profileInd, k);
    if (profileInd == LastEditedProfileInd && k == LastEditedFormatInd)
        ApplyLastEdited(profile.Formats[k]);
}

void TCatalogue::RestoreChoice(int profileInd, int formatInd)
{
    SelectedProfileInd = profileInd;
    SelectedFormatInd = formatInd;
    FProfileDisplay.Restored = true;
    FProfileDisplay.Label = Profiles[profileInd].Formats[formatInd].Title;
    // The profile's icon, not the format's.
    FProfileDisplay.Picture = ProfileIconPicture(ProfileIcons, Profiles[profileInd].Icon);
}

void TCatalogue::ApplyLastEdited(TFormat& format) const
{
    format.Width = LastEdited.VideoWidth;
    format.Height = LastEdited.VideoHeight;
    format.VideoBitRate = LastEdited.VideoBitRate;
    format.FrameRate = LastEdited.FrameRate;
    format.SampleRate = LastEdited.SampleRate;
    format.AudioBitRate = LastEdited.AudioBitRate;
    format.Channel = LastEdited.Channels;
    format.VideoCodecName = LastEdited.VideoCodecName;
    format.AudioCodecName = LastEdited.AudioCodecName;
    // The stored values may mend or spoil what the file held.
    format.Fault = FormatFault(format);
}

TFormat* TCatalogue::FormatAt(int profileInd, int formatInd)
{
    // Through the non-const lists, so that a list shared with a copy is
    // detached before the caller writes into the format.
    if (!std::as_const(*this).FormatAt(profileInd, formatInd))
        return nullptr;
    return &Profiles[profileInd].Formats[formatInd];
}

const TFormat* TCatalogue::FormatAt(int profileInd, int formatInd) const
{
    if (profileInd < 0 || profileInd >= Profiles.size())
        return nullptr;
    const QList<TFormat>& formats = Profiles[profileInd].Formats;
    if (formatInd < 0 || formatInd >= formats.size())
        return nullptr;
    return &formats[formatInd];
}

void TCatalogue::Report(const QString& message, const QString& mark, const QString& reason)
{
    FLastErrMsg = reason;
    if (FReportError)
        FReportError(message, mark);
}
