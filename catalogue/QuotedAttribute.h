#pragma once
// Attributes written name="value" on one line of a catalogue file. A name is
// matched whole: it stands at the start of the line or right after a blank or
// "<", so "name" is never found inside "video_codec_name" nor "frame_rate"
// inside "keep_ori_frame_rate". Values cannot hold a double quote; no escape
// is recognised.
#include <QString>

// The position just after the first Name=" at or after From, or -1 when the
// line holds no such attribute. A Name that does not begin with a letter,
// digit or "_" (such as "<category id") is matched wherever it stands.
qsizetype FindAttributeValueStart(const QString& line, const QString& name, qsizetype from = 0);

// The value of attribute Name found at or after From: Value gets the text
// between the quotes and ValueEnd the position of the closing quote. False
// when the attribute or its closing quote is missing.
bool FindQuotedAttribute(const QString& line, const QString& name, qsizetype from,
                         QString& value, qsizetype& valueEnd);
