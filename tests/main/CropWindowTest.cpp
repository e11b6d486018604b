// The crop editor opened from the main window on a test disc, headless: the
// live adjustments, Cancel, typed edits kept inside the frame, and border
// detection.
#include "diagnostics/TEventsLog.h"
#include "dvd/DVDPlugIn.h"
#include "editing/TCropForm.h"
#include "editing/TCropMarks.h"
#include "engine/MediaEngine.h"
#include "main/TMainForm.h"
#include "main/TQtHandOffs.h"
#include "tests/main/ProgramWindows.h"
#include "tests/support/TestDiscs.h"
#include "tests/support/WaitFor.h"
#include "widgets/TPlayerSurfaceWidget.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>

using namespace vidrelo;

namespace {

// The mean grey level of the picture a surface was last given; -1 without one.
double MeanGrey(const TPlayerSurfaceWidget& surface)
{
    const auto picture = surface.ShownPicture();
    if (!picture || !picture->Data)
        return -1;
    double sum = 0;
    for (int y = 0; y < picture->Height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(picture->Data + static_cast<size_t>(y) * picture->Stride);
        for (int x = 0; x < picture->Width; ++x)
            sum += (qRed(row[x]) + qGreen(row[x]) + qBlue(row[x])) / 3.0;
    }
    return sum / (static_cast<double>(picture->Width) * picture->Height);
}

class CropWindowTest : public maintest::TWindowsTest {
protected:
    void SetUp() override
    {
        TWindowsTest::SetUp();
        Form().ShowCropForm = [](TCropForm& form) { form.open(); };
        Form().BuildDriveMenu({test::Disc("discA").path});
        Form().AddButtonClick();
        ASSERT_GE(Form().Titles().RowCount(), 2);
    }
    TCropForm& Crop() { return *Form().findChild<TCropForm*>(); }
    // Serves the event loop until `done` holds, at most 15 s.
    static bool Serve(const std::function<bool()>& done)
    {
        return test::WaitFor(
            [&] {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
                return done();
            },
            std::chrono::seconds(15));
    }
    // "Edit" on `row`, until both previews have a picture.
    void OpenEditor(int row)
    {
        Form().lvTitles->setCurrentItem(Form().lvTitles->topLevelItem(row));
        ASSERT_EQ(Form().Titles().SelectedRow(), row);
        Form().EditButton->click();
        ASSERT_TRUE(Crop().isVisible());
        ASSERT_TRUE(Serve([this] { return MeanGrey(*Crop().panPreview1) >= 0 && MeanGrey(*Crop().panPreview2) >= 0; }))
            << Reported.join('\n').toStdString();
    }
    TCropEdits Edits()
    {
        return {Crop().edLeft->value(), Crop().edTop->value(), Crop().edWidth->value(), Crop().edHeight->value()};
    }
};

TEST_F(CropWindowTest, TheLiveBrightnessChangesOnlyTheOutputAndCancelStoresNothing)
{
    ASSERT_NO_FATAL_FAILURE(OpenEditor(0));
    EXPECT_EQ(Crop().Geometry().FW(), 720);
    EXPECT_EQ(Crop().Geometry().DH(), 405);
    EXPECT_EQ(Edits(), (TCropEdits{0, 0, 720, 480}));
    EXPECT_TRUE(Crop().FFPlayer2.VideoFilters.find("nativeeq=") == 0) << Crop().FFPlayer2.VideoFilters;
    ASSERT_TRUE(Serve([this] { return Crop().FFPlayer1.CurrentPTS() > 300000; }));
    const double input = MeanGrey(*Crop().panPreview1);
    const double output = MeanGrey(*Crop().panPreview2);
    EXPECT_NEAR(input, output, 4);  // no adjustment yet: the same picture

    Crop().chBrightness->setChecked(true);
    Crop().tbBrightness->setValue(60);
    EXPECT_EQ(Crop().FBrightness.Load(), 60);
    EXPECT_TRUE(Serve([&] { return MeanGrey(*Crop().panPreview2) > output + 25; }))
        << "output grey " << output << " -> " << MeanGrey(*Crop().panPreview2);
    EXPECT_NEAR(MeanGrey(*Crop().panPreview1), input, 6);

    Crop().edLeft->setValue(100);  // typed: the rectangle follows
    EXPECT_EQ(Crop().Handles[szLeftTop]->x() + 4, RoundEven(100 * 319 / 720.0));
    Crop().btnCancel->click();
    EXPECT_FALSE(Crop().isVisible());
    const TVideoFile& v = Form().Titles().VideoFiles()[0];
    EXPECT_EQ(v.Brightness, 0);
    EXPECT_EQ(v.CropLeft, 0);
    EXPECT_EQ(Crop().FBrightness.Load(), 60);  // until the next showing reads the title again
    EXPECT_TRUE(Reported.isEmpty()) << Reported.join('\n').toStdString();
}

TEST_F(CropWindowTest, DetectedBordersBecomeTheRectangleAndTypedEditsStayInTheFrame)
{
    int calls = 0;
    std::string asked;
    Crop().BorderDetector = [&](const std::string& source, TBorderDetection& found, std::string& error) {
        asked = source;
        if (++calls > 1) {
            error = "No picture could be decoded";
            return false;
        }
        found.Margins = {8, 60, 8, 60};
        return true;
    };
    ASSERT_NO_FATAL_FAILURE(OpenEditor(1));
    ASSERT_TRUE(Crop().btnDetectBorders->isEnabled());
    Crop().btnDetectBorders->click();
    EXPECT_EQ(asked, Form().Titles().SelectedSourceString().toStdString());
    EXPECT_EQ(Edits(), (TCropEdits{8, 60, 704, 360}));
    EXPECT_EQ(Crop().Handles[szLeftTop]->pos(), QPoint(RoundEven(8 * 319 / 720.0) - 4, 44 - 4));
    EXPECT_LT(Crop().Panel2->height(), 222);  // the cut picture is wider than the area
    Crop().btnDetectBorders->click();
    EXPECT_EQ(Reported, QStringList{"No picture could be decoded"});
    EXPECT_EQ(Edits(), (TCropEdits{8, 60, 704, 360}));

    // Wider than the frame leaves: held at the frame's edge, so no margin is negative.
    Crop().edWidth->setValue(720);
    EXPECT_EQ(Crop().edWidth->value(), 712);
    Crop().cmbAspectRatio->setCurrentIndex(3);
    Crop().btnApply->click();
    const TVideoFile& v = Form().Titles().VideoFiles()[1];
    EXPECT_EQ((std::array{v.CropLeft, v.CropTop, v.CropRight, v.CropBottom}), (std::array{8, 60, 0, 60}));
    EXPECT_EQ(v.AspectRatio, 3);
    Crop().btnCancel->click();

    // Reopened: the stored values come back; without a detector the button is off.
    Crop().BorderDetector = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenEditor(1));
    EXPECT_FALSE(Crop().btnDetectBorders->isEnabled());
    EXPECT_EQ(Edits(), (TCropEdits{8, 60, 712, 360}));
    EXPECT_EQ(Crop().cmbAspectRatio->currentIndex(), 3);
    Crop().btnResetAll->click();
    EXPECT_EQ(Edits(), (TCropEdits{0, 0, 720, 480}));
    EXPECT_EQ(Crop().cmbAspectRatio->currentIndex(), 0);
    Crop().btnCancel->click();
}

// The program's own detector finds the bars of a letterboxed title.
TEST_F(CropWindowTest, DetectBordersFindsTheBarsOfALetterboxedTitle)
{
    Form().BuildDriveMenu({test::Disc("discD").path});
    Form().AddButtonClick();
    ASSERT_NO_FATAL_FAILURE(OpenEditor(0));
    ASSERT_TRUE(Crop().btnDetectBorders->isEnabled());
    Crop().btnDetectBorders->click();
    EXPECT_TRUE(Reported.isEmpty()) << Reported.join('\n').toStdString();
    EXPECT_EQ(Edits(), (TCropEdits{0, 72, 720, 432}));
    Crop().btnCancel->click();
}

}  // namespace
