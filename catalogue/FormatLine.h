#pragma once
// One line of Formats.dat and the choice lists inside its values.
#include "catalogue/TCatalogueTypes.h"

#include <QStringList>

// The attribute keys of a format line (name, equals sign, double quote) in the
// order of TFormat's fields. frame_rate's key carries a space in front so that
// it is not found inside keep_ori_frame_rate.
const QStringList& FormatLineKeys();

// Fills every field of Format from Line. Each field takes the text after the
// first occurrence of its key up to the next double quote; a key the line
// lacks leaves its field empty. Because the key name=" also occurs inside
// video_codec_name=" and audio_codec_name=", name must precede them on the
// line. Returns false, with the fields before the faulty one filled, when a
// value has no closing double quote.
bool ParseFormatLine(const QString& line, TFormat& format);

// A choice list "value$label,value$label" cut in one pass: a "$" ends a value
// piece, a "," ends a label piece, and what is left at the end is a label
// (nothing is left after a final "," or in an empty list). Values and labels
// are matched by position only; an item without "$" has a label and no value.
struct TChoiceList {
    QStringList Values;
    QStringList Labels;
};
TChoiceList SplitChoiceList(const QString& list);
