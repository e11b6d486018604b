#include "diagnostics/TEventsLog.h"
#include "tests/diagnostics/TestPrinters.h"

#include <gtest/gtest.h>

#include <QLocale>

TEST(EventsLog, EventLinesCarryTheLongTimeAndAnArrow)
{
    const QTime time(13, 5, 7);
    EXPECT_EQ(TEventsLog::EventLine(time, "Conversion started"),
              QLocale::system().toString(time, QLocale::LongFormat) + "-> Conversion started");

    TEventsLog log;
    const QTime before = QTime::currentTime();
    log.AddEvent("DVD plug-in v1.0 is loaded.");
    const QTime after = QTime::currentTime();
    ASSERT_EQ(log.Lines().size(), 1);
    const QString line = log.Lines().first();
    EXPECT_TRUE(line == TEventsLog::EventLine(before, "DVD plug-in v1.0 is loaded.") ||
                line == TEventsLog::EventLine(after, "DVD plug-in v1.0 is loaded."))
        << line.toStdString();
}

TEST(EventsLog, EntriesWithLineBreaksBecomeSeveralLinesInOrder)
{
    TEventsLog log;
    QStringList announced;
    QObject::connect(&log, &TEventsLog::LineAdded, [&](const QString& line) { announced << line; });

    log.Add("SDL failed");  // no time, no arrow
    log.Add("Added Video\r\nDuration: 00:01:00\nVideo: mpeg2video\rAudio: ac3");
    log.Add("");
    log.Add("last");

    EXPECT_EQ(log.Lines(), (QStringList{"SDL failed", "Added Video", "Duration: 00:01:00", "Video: mpeg2video",
                                        "Audio: ac3", "", "last"}));
    EXPECT_EQ(log.Entries().size(), 4);
    EXPECT_EQ(announced, log.Entries());
}
