#pragma once
// Turns the skin's values into one Qt style sheet for the whole window set:
// plain widgets, buttons, lists and their column captions, choosers, fields,
// check boxes, menus, sliders, scroll bars, hints and message boxes.
#include "main/TSkinTheme.h"

#include <QString>

class TSkinStyleSheet {
public:
    // `ASkinFolder`: where the skin's pictures the sheet refers to are (none when empty).
    static QString Build(const TSkinTheme& ATheme, const QString& ASkinFolder = {});
};
