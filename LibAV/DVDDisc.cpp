#include "LibAV/DVDDisc.h"

#include "LibAV/DVDDiscChecks.h"
#include "LibAV/DVDLanguages.h"
#include "dvd/DVDPluginABI.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace vidrelo::dvddec {

namespace {

template <std::size_t N>
void CopyField(char (&field)[N], const std::string& text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

void FillAudio(const DVDAudioStream& a, TDVDAudioInfo& out)
{
    out.StreamType = a.streamType;
    out.StreamID = a.streamId;
    out.SampleRate = a.sampleRate;
    out.Channels = a.channels;
    CopyField(out.LanguageCode, a.language);
    CopyField(out.LanguageName, DVDLanguageName(a.language));
}

void FillSubtitle(const DVDSubpictureStream& s, TDVDSubtitleInfo& out)
{
    out.StreamType = DVDStreamSUB;
    out.StreamID = s.streamId;
    CopyField(out.LanguageCode, s.language);
    CopyField(out.LanguageName, DVDLanguageName(s.language));
}

void FillRecord(const DVDTitleLayout& layout, TDVDTitleInfo& info)
{
    info = TDVDTitleInfo{};
    info.Length = layout.length;
    info.VideoType = layout.video.type;
    info.VideoID = 0xE0;
    info.Width = layout.video.width;
    info.Height = layout.video.height;
    info.Norm = layout.video.norm;
    info.Aspect = layout.video.aspect;
    info.AudioCount = static_cast<int32_t>(std::min<std::size_t>(layout.audio.size(), kDVDMaxAudio));
    for (int i = 0; i < info.AudioCount; ++i)
        FillAudio(layout.audio[i], info.Audio[i]);
    info.SubtitleCount = static_cast<int32_t>(std::min<std::size_t>(layout.subpictures.size(), kDVDMaxSubtitles));
    for (int i = 0; i < info.SubtitleCount; ++i)
        FillSubtitle(layout.subpictures[i], info.Subtitles[i]);
    info.ChapterCount = static_cast<int32_t>(std::min<std::size_t>(layout.chapters.size(), kDVDMaxChapters));
    for (int i = 0; i < info.ChapterCount; ++i)
        info.Chapters[i] = layout.chapters[i].seconds;
    int64_t sectors = 0;
    for (const DVDChapter& chapter : layout.chapters)
        for (const DVDCell& cell : chapter.cells)
            sectors += cell.lastSector >= cell.firstSector ? int64_t{cell.lastSector} - cell.firstSector + 1 : 0;
    info.Sectors = static_cast<int32_t>(std::min<int64_t>(sectors, INT32_MAX));
    info.IsValid = 1;
}

std::string IfoName(int titleset)
{
    char name[16];
    std::snprintf(name, sizeof name, "VTS_%02d_0.IFO", titleset);
    return name;
}

}  // namespace

std::unique_ptr<DVDDisc> DVDDisc::Open(const std::string& path, std::string& error)
{
    std::unique_ptr<DVDReader> reader = DVDReader::Open(path, error);
    DVDIfoVerdict verdict;
    if (!reader || !CheckDiscIfos(*reader, verdict, error))
        return nullptr;
    if (verdict.Use(0) == IfoUse::Damaged) {
        error = DamagedVideoManagerText(*reader);
        return nullptr;
    }
    std::unique_ptr<DVDBackupCopies> backups;
    if (!verdict.BackupOnly().empty()) {
        backups = DVDBackupCopies::Make(*reader, verdict.BackupOnly(), error);
        if (!backups)
            return nullptr;
    }
    IfoPtr vmg = verdict.Use(0) == IfoUse::Backup ? backups->OpenIfo(0) : reader->OpenIfo(0);
    if (!vmg || !vmg->vmgi_mat || !vmg->tt_srpt) {
        error = NoVideoManagerText(*reader);
        return nullptr;
    }
    if (vmg->tt_srpt->nr_of_srpts == 0) {
        error = path + " is a DVD-Video disc without any titles.";
        return nullptr;
    }
    DVDCutImage cut = CheckCutImage(*reader, *vmg);
    error = cut.AnyIntact() ? std::string() : cut.text;
    if (error.empty())
        error = ScrambledText(*reader, vmg->tt_srpt->title[0].title_set_nr);
    if (!error.empty())
        return nullptr;
    std::unique_ptr<DVDDisc> disc(new DVDDisc(std::move(reader), std::move(backups), std::move(vmg), std::move(verdict)));
    error = cut.text;
    disc->cutImage_ = std::move(cut);
    return disc;
}

int DVDDisc::TitleCount() const
{
    return vmg_->tt_srpt->nr_of_srpts;
}

bool DVDDisc::Title(int number, DVDTitleLayout& layout, int& titleset, std::string& error)
{
    if (number < 1 || number > TitleCount()) {
        error = "The disc has no title " + std::to_string(number) + " (it has " + std::to_string(TitleCount()) +
                ").";
        return false;
    }
    const title_info_t& entry = vmg_->tt_srpt->title[number - 1];
    titleset = entry.title_set_nr;
    if (cutImage_.cut.count(titleset)) {
        error = "Title " + std::to_string(number) + " cannot be read: " + cutImage_.text;
        return false;
    }
    const ifo_handle_t* vts = Titleset(titleset);
    if (!vts) {
        error = "Title " + std::to_string(number) + " cannot be read: the information file of its titleset (" +
                IfoName(titleset) + " and its backup) is damaged or missing.";
        return false;
    }
    std::string why;
    if (!DVDTitleLayout::Read(*vts, entry.vts_ttn, layout, why)) {
        error = "Title " + std::to_string(number) + " cannot be read: " + why + ".";
        return false;
    }
    return true;
}

bool DVDDisc::Describe(int index, TDVDTitleInfo& info, std::string& error)
{
    DVDTitleLayout layout;
    int titleset = 0;
    if (!Title(index + 1, layout, titleset, error))
        return false;
    FillRecord(layout, info);
    return true;
}

const ifo_handle_t* DVDDisc::Titleset(int titleset)
{
    if (titleset < 1 || titleset > vmg_->vmgi_mat->vmg_nr_of_title_sets || verdict_.Use(titleset) == IfoUse::Damaged)
        return nullptr;
    auto it = titlesets_.find(titleset);
    if (it == titlesets_.end())
        it = titlesets_
                 .emplace(titleset, verdict_.Use(titleset) == IfoUse::Backup ? backups_->OpenIfo(titleset)
                                                                             : reader_->OpenIfo(titleset))
                 .first;
    return it->second.get();
}

}  // namespace vidrelo::dvddec
