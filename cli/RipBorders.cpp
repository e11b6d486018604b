#include "cli/RipBorders.h"

#include "engine/probe/BorderDetect.h"
#include "main/TTitleModel.h"

#include <cstdio>

namespace vidrelo::cli {

bool CropTitlesToBorders(TFFLoader& loader, TTitleModel& titles, std::string& error)
{
    for (int row = 0; row < titles.RowCount(); ++row) {
        if (!titles.IsChecked(row) || !titles.Data(row))
            continue;
        const std::string caption = titles.RowCaption(row).toStdString();
        TBorderDetection found;
        if (!DetectBorders(loader, titles.RowSourceString(row).toStdString(), found, error)) {
            error = "cannot find the borders of " + caption + ": " + error;
            return false;
        }
        TVideoFile& video = titles.VideoFile(row);
        const TBorderMargins& m = found.Margins;
        // The title's frame as the scan read it is what the crop applies to;
        // pictures of another size say nothing about it.
        const bool fits = found.FrameWidth == video.SourceWidth && found.FrameHeight == video.SourceHeight;
        if (fits) {
            video.CropLeft = m.Left;
            video.CropTop = m.Top;
            video.CropRight = m.Right;
            video.CropBottom = m.Bottom;
        }
        std::printf("%s: Borders: left %d, top %d, right %d, bottom %d%s\n", caption.c_str(), m.Left, m.Top, m.Right,
                    m.Bottom, fits ? "" : " (pictures of another size than the title's; not cropped)");
    }
    std::fflush(stdout);
    return true;
}

}  // namespace vidrelo::cli
