#include "cli/TRecordingSurface.h"

#include <QImage>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>

namespace vidrelo::cli {
namespace {

// "png" or "jpg", as the image writer names them.
const char* Suffix(const std::string& file)
{
    return file.size() >= 4 && (file.ends_with(".png") || file.ends_with(".PNG")) ? "png" : "jpg";
}

}  // namespace

TRecordingSurface::TRecordingSurface(int width, int height, std::vector<TPlaySnapshot> snapshots)
    : FWidth(width), FHeight(height)
{
    for (TPlaySnapshot& s : snapshots)
        FSnapshots.push_back({std::move(s), nullptr});
}

void TRecordingSurface::SurfaceSize(int& width, int& height) const
{
    width = FWidth;
    height = FHeight;
}

void TRecordingSurface::Present(std::shared_ptr<const TSurfacePicture> picture)
{
    if (!picture)
        return;
    const std::lock_guard<std::mutex> lock(FLock);
    FShown.push_back({picture->PTS, picture->MasterPTS, std::chrono::steady_clock::now()});
    for (TPending& pending : FSnapshots)
        if (!pending.Picture && picture->PTS >= pending.Asked.Time)
            pending.Picture = picture;  // kept: the player leaves a held buffer alone
}

std::vector<TShownPicture> TRecordingSurface::Shown() const
{
    const std::lock_guard<std::mutex> lock(FLock);
    return FShown;
}

bool TRecordingSurface::AllSnapshotsTaken() const
{
    const std::lock_guard<std::mutex> lock(FLock);
    return std::all_of(FSnapshots.begin(), FSnapshots.end(), [](const TPending& p) { return p.Picture != nullptr; });
}

bool TRecordingSurface::WriteSnapshots(std::FILE* out, std::FILE* errors) const
{
    std::vector<TPending> snapshots;
    {
        const std::lock_guard<std::mutex> lock(FLock);
        snapshots = FSnapshots;
    }
    bool ok = true;
    for (const TPending& s : snapshots) {
        const std::string& file = s.Asked.File;
        if (!s.Picture || !s.Picture->Data) {
            std::fprintf(errors, "no picture was shown at %.3f s for \"%s\"\n", s.Asked.Time / 1e6, file.c_str());
            ok = false;
            continue;
        }
        const TSurfacePicture& p = *s.Picture;
        const QImage image(p.Data, p.Width, p.Height, p.Stride, QImage::Format_RGB32);
        // Under a temporary name until complete: no half-written picture under the asked name.
        QSaveFile saved(QString::fromStdString(file));
        if (!saved.open(QIODevice::WriteOnly) || !image.save(&saved, Suffix(file)) || !saved.commit()) {
            std::fprintf(errors, "\"%s\" cannot be written\n", file.c_str());
            ok = false;
            continue;
        }
        std::fprintf(out, "snapshot at %.3f s: \"%s\" (the picture of %.3f s)\n", s.Asked.Time / 1e6, file.c_str(),
                     p.PTS / 1e6);
    }
    return ok;
}

}  // namespace vidrelo::cli
