#pragma once
// One line of Formats.dat and the choice lists inside its values.
#include "catalogue/TCatalogueTypes.h"

#include <QStringList>

// The attribute names of a format line in the order of TFormat's fields.
const QStringList& FormatAttributeNames();

// Fills every field of Format from Line. Each field takes the text after the
// first name=" of its attribute, the name matched whole (FindAttributeValueStart),
// up to the next double quote, wherever the attribute stands on the line; an
// attribute the line lacks leaves its field empty. Returns false, with the
// fields before the faulty one filled, when a value has no closing double
// quote.
bool ParseFormatLine(const QString& line, TFormat& format);

// True when Line holds at least one format attribute; a line without any
// (a comment, damaged bytes) describes no format.
bool IsFormatLine(const QString& line);

// A choice list "value$label,value$label" cut in one pass: a "$" ends a value
// piece, a "," ends a label piece, and what is left at the end is a label
// (an empty one after a final "," and in an empty list). Values and labels
// are matched by position only; an item without "$" has a label and no value.
struct TChoiceList {
    QStringList Values;
    QStringList Labels;
};
TChoiceList SplitChoiceList(const QString& list);
