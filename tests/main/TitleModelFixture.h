#pragma once
// A title model over a small catalogue, recording what it reports.
#include "main/TTitleModel.h"

#include "TitleRecords.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace titletest {

constexpr int64_t kHour = 3600LL * 1000000;

class TitleModelTest : public ::testing::Test {
protected:
    QList<TProfile> profiles = MakeProfiles();
    QList<TProfileIcon> icons = MakeIcons();
    std::vector<std::pair<QString, QString>> reports;
    TTitleModel model{profiles, icons, [this](const QString& m, const QString& mark) { reports.emplace_back(m, mark); }};

    // A one-hour title with two audio streams, one subtitle stream and 12
    // chapters, in iPod Video.
    void AddFeature(int titleIndex, double seconds = 3600)
    {
        const TDVDTitleInfo t = MakeTitle(seconds, {{0x80, "en", "English"}, {0x81, "fr", "Français"}},
                                          {{0x20, "de", "Deutsch"}}, 12);
        model.AddTitle(&t, titleIndex, 0, 0);
    }
    void AddBare(int titleIndex)
    {
        const TDVDTitleInfo t = MakeTitle(60, {}, {}, 1);
        model.AddTitle(&t, titleIndex, 0, 0);
    }
    QStringList RowTexts(int row) const
    {
        QStringList texts;
        for (int c = 0; c < 11; ++c)
            texts << model.CellText(row, c);
        return texts;
    }
};

}  // namespace titletest
