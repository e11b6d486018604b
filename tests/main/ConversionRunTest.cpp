// The progress window's arithmetic and what the end of a run does.
#include "main/TConversionRun.h"

#include <gtest/gtest.h>

using namespace vidrelo;

namespace {

TProgressInfo At(int task, int64_t current, int64_t total)
{
    TProgressInfo p;
    p.TaskIndex = task;
    p.CurrentDuration = current;
    p.TotalDuration = total;
    return p;
}

TEST(ConversionRunTest, EachTaskFillsItsShareOfTheTotalGauge)
{
    EXPECT_EQ(ProgressGauges(At(0, 50, 100), 2).Total, 25);
    EXPECT_EQ(ProgressGauges(At(0, 50, 100), 2).Current, 50);
    EXPECT_EQ(ProgressGauges(At(1, 50, 100), 2).Total, 75);
    EXPECT_EQ(ProgressGauges(At(1, 50, 100), 2).Current, 50);
    EXPECT_EQ(ProgressGauges(At(2, 1, 3), 3).Current, 33);  // truncated
    EXPECT_EQ(ProgressGauges(At(0, 1, 8), 1).Total, 12);    // 12.5: ties to even
    EXPECT_EQ(ProgressGauges(At(0, 3, 8), 1).Total, 38);    // 37.5: ties to even
}

TEST(ConversionRunTest, AnUnknownLengthShowsNothingForTheTaskAndDoesNotDivideByZero)
{
    for (const int64_t total : {int64_t{-1}, int64_t{0}}) {
        const TConversionGauges g = ProgressGauges(At(1, 5000000, total), 4);
        EXPECT_EQ(g.Current, 0);
        EXPECT_EQ(g.Total, 25);  // only the finished task counts
    }
    // Past its end (a recording longer than announced) stays full.
    EXPECT_EQ(ProgressGauges(At(0, 150, 100), 1).Current, 100);
    EXPECT_EQ(ProgressGauges(At(0, 150, 100), 1).Total, 100);
    EXPECT_EQ(ProgressGauges(At(-1, 10, 100), 0).Total, 10);  // the end report, no tasks counted
}

TEST(ConversionRunTest, TheTitleLineNamesTheSourceAndTheFile)
{
    QList<TProfile> profiles{TProfile{"P", "p", "", {TFormat{}, TFormat{}}}};
    profiles[0].Formats[1].FormatExt = ".mp4";
    TVideoFile job;
    job.Source = "Title #2";
    job.DestinationTitle = "Title2";
    job.FormatInd = 1;
    EXPECT_EQ(RippingTitle({job}, profiles, 0), "Ripping \"Title #2\" to \"Title2.mp4\"");
    EXPECT_EQ(RippingTitle({job}, profiles, 1), "");
}

TEST(ConversionRunTest, TheEndOfTheRunAndFailedTasksTakeTheirSteps)
{
    const TTerminateInfo final{-1, true, false, "", "", false};
    TEndSteps s = EndSteps(final, true, false);
    EXPECT_TRUE(s.ClearOptions && s.Close && s.OpenFolder);
    EXPECT_FALSE(s.Shutdown || s.WriteSettings);
    EXPECT_EQ(s.LogEvents, QStringList{"Conversion successfully done."});
    EXPECT_TRUE(s.ErrorReport.isEmpty());

    s = EndSteps(final, true, true);  // both boxes: settings, shutdown, no folder, no success line
    EXPECT_TRUE(s.WriteSettings && s.Shutdown && s.Close);
    EXPECT_FALSE(s.OpenFolder);
    EXPECT_TRUE(s.LogEvents.isEmpty());

    s = EndSteps(TTerminateInfo{1, false, true, "Unknown encoder 'x'", "", false}, true, false);
    EXPECT_EQ(s.ErrorReport, "Conversion terminated with error: Unknown encoder 'x'");
    EXPECT_EQ(s.LogEvents, QStringList{"Conversion terminated with error: Unknown encoder 'x'"});
    EXPECT_TRUE(s.Close);
    EXPECT_FALSE(s.ClearOptions || s.OpenFolder);

    // A task that finished with losses is logged as such, without a report.
    s = EndSteps(TTerminateInfo{0, true, false, "", "2 damaged sectors skipped.", false}, true, false);
    EXPECT_EQ(s.LogEvents, QStringList{"Conversion ended with a warning: 2 damaged sectors skipped."});
    s = EndSteps(TTerminateInfo{0, true, false, "", "The output is short.", true}, true, false);
    EXPECT_EQ(s.LogEvents, QStringList{"Conversion ended incomplete: The output is short."});
    EXPECT_EQ(s.ErrorReport, "Conversion ended incomplete: The output is short.");
    EXPECT_FALSE(s.Close || s.ClearOptions);

    s = EndSteps(TTerminateInfo{0, false, false, "", "", false}, true, false);  // stopped: nothing to do
    EXPECT_FALSE(s.Close || s.ClearOptions || s.OpenFolder);
    EXPECT_TRUE(s.LogEvents.isEmpty() && s.ErrorReport.isEmpty());
}

TEST(ConversionRunTest, TheSystemIsDescribedInTheUsualShape)
{
    const QString text = OSVersionText();
    EXPECT_TRUE(text.startsWith("Linux Version ")) << text.toStdString();
    EXPECT_TRUE(text.contains("\r\n (Build ")) << text.toStdString();
    EXPECT_TRUE(text.endsWith(")"));
}

}  // namespace
