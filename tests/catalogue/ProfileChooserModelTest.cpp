// The profile chooser's rules without its window: pointing at profiles lists
// their formats only after the delay, the format list keeps the profile it
// lists, clicks choose only a listed format, and the keys.
#include "catalogue/TProfileChooserModel.h"

#include <gtest/gtest.h>

namespace {

QList<TProfile> Profiles()
{
    const auto profile = [](const QString& title, int formats) {
        TProfile p;
        p.Title = title;
        for (int i = 0; i < formats; ++i)
            p.Formats.append(TFormat{});
        return p;
    };
    // "Empty" is a category that received no format.
    return {profile("General", 3), profile("Phones", 2), profile("Empty", 0), profile("All Profiles", 5)};
}

class ProfileChooserModelTest : public ::testing::Test {
protected:
    QList<TProfile> profiles = Profiles();
    TProfileChooserModel model{profiles};

    // Highlighted, listed, hovered format.
    std::tuple<int, int, int> State() const
    {
        return {model.HighlightedProfileInd, model.ListedProfileInd, model.HoverFormatInd};
    }
};

TEST_F(ProfileChooserModelTest, OpeningStartsFromTheCurrentChoice)
{
    model.Open(1, 1);
    EXPECT_EQ(State(), std::make_tuple(1, 1, 1));
    EXPECT_EQ(model.FormatRowCount(), 2);
    ASSERT_TRUE(model.Click());
    EXPECT_EQ(model.Click()->ProfileInd, 1);
    EXPECT_EQ(model.Click()->FormatInd, 1);
}

TEST_F(ProfileChooserModelTest, APointedProfileIsListedOnlyWhenTheDelayRunsOut)
{
    model.Open(0, 2);
    EXPECT_EQ(model.ProfileMouseMove(1), TDelayTimer::Restart);
    EXPECT_EQ(State(), std::make_tuple(1, 0, 2));  // highlighted at once, listed later
    EXPECT_EQ(model.ProfileMouseMove(1), TDelayTimer::Keep);
    EXPECT_EQ(model.ProfileMouseMove(3), TDelayTimer::Restart);
    model.DelayElapsed();
    EXPECT_EQ(State(), std::make_tuple(3, 3, -1));
    EXPECT_EQ(model.FormatRowCount(), 5);
    model.DelayElapsed();  // firing again changes nothing
    EXPECT_EQ(State(), std::make_tuple(3, 3, -1));
    EXPECT_EQ(model.ProfileMouseMove(-1), TDelayTimer::Stop);  // below the last profile
}

// Crossing other profiles on the way to the format list within the delay
// leaves the list and the highlight on the listed profile.
TEST_F(ProfileChooserModelTest, CrossingProfilesQuicklyKeepsTheListedOne)
{
    model.Open(0, 0);
    model.ProfileMouseMove(1);
    model.ProfileMouseMove(2);
    EXPECT_EQ(model.FormatMouseMove(1), TDelayTimer::Stop);
    EXPECT_EQ(State(), std::make_tuple(0, 0, 1));
    ASSERT_TRUE(model.Click());
    EXPECT_EQ(model.Click()->ProfileInd, 0);
    EXPECT_EQ(model.Click()->FormatInd, 1);
}

TEST_F(ProfileChooserModelTest, AClickChoosesOnlyAListedFormat)
{
    model.Open(0, 0);
    model.FormatMouseMove(-1);  // below the last format
    EXPECT_FALSE(model.Click());
    model.ProfileMouseMove(2);
    model.DelayElapsed();
    EXPECT_EQ(model.FormatRowCount(), 0);
    model.FormatMouseMove(0);  // the empty profile: no row to point at
    EXPECT_EQ(model.HoverFormatInd, -1);
    EXPECT_FALSE(model.Click());
    model.Open(3, 7);  // a remembered format the profile no longer has
    EXPECT_FALSE(model.Click());
}

TEST_F(ProfileChooserModelTest, KeysMoveListAndChoose)
{
    model.Open(0, 0);
    bool close = false;
    const auto press = [&](TChooserKey key) { return model.KeyPress(key, close); };
    press(TChooserKey::Down);
    press(TChooserKey::Down);
    press(TChooserKey::Down);  // stops at the last format
    EXPECT_EQ(State(), std::make_tuple(0, 0, 2));
    press(TChooserKey::Left);
    press(TChooserKey::Down);  // a profile reached by key is listed at once
    EXPECT_EQ(State(), std::make_tuple(1, 1, -1));
    EXPECT_FALSE(press(TChooserKey::Enter));  // nothing under the keyboard yet
    press(TChooserKey::Right);
    press(TChooserKey::Down);
    const auto choice = press(TChooserKey::Enter);
    ASSERT_TRUE(choice);
    EXPECT_EQ(std::make_pair(choice->ProfileInd, choice->FormatInd), std::make_pair(1, 1));
    EXPECT_FALSE(close);
    EXPECT_FALSE(press(TChooserKey::Escape));
    EXPECT_TRUE(close);
}

// A key while the delay runs drops the pending profile: the highlight
// returns to the listed one, whose formats the keys then move through.
TEST_F(ProfileChooserModelTest, AKeyDropsAPendingPointerMove)
{
    model.Open(0, 0);
    model.ProfileMouseMove(3);
    bool close = false;
    model.KeyPress(TChooserKey::Down, close);
    EXPECT_EQ(State(), std::make_tuple(0, 0, 1));
}

}  // namespace
