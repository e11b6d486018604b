#pragma once
// The skin's typed values: colours, font and sizes, read from skin.ini. Every
// value has a built-in default (the "black" skin), so a missing file or a bad
// value never leaves the windows unstyled.
#include "main/TSkinIni.h"

#include <QColor>
#include <QString>

struct TSkinTheme {
    // [Colors]
    QColor Window{0x14, 0x1B, 0x25};         // window background, unselected list rows
    QColor Panel{0x1A, 0x23, 0x30};          // menus, dialogs, raised areas
    QColor Base{0x0F, 0x14, 0x1C};           // fields and lists
    QColor Header{0x1E, 0x28, 0x35};         // column captions
    QColor Button{0x22, 0x2D, 0x3C};
    QColor ButtonHover{0x2C, 0x3B, 0x50};
    QColor ButtonPressed{0x18, 0x20, 0x2B};
    QColor Border{0x2B, 0x37, 0x47};
    QColor Text{0xE4, 0xE9, 0xF0};
    QColor DimText{0x8C, 0x98, 0xAA};
    QColor Disabled{0x5A, 0x65, 0x75};
    QColor Accent{0x2B, 0x86, 0xD6};
    QColor AccentHover{0x4F, 0xA3, 0xEC};
    QColor AccentText{0xFF, 0xFF, 0xFF};
    QColor Selection{0x21, 0x4A, 0x72};
    QColor SelectionText{0xFF, 0xFF, 0xFF};
    QColor ToolTip{0x0B, 0x10, 0x17};
    // [Fonts]
    QString FontFamily = QStringLiteral("DejaVu Sans");
    int FontSize = 9;      // points
    int HeadingSize = 12;  // points, titles on the pictures
    // [Sizes], pixels
    int Radius = 3;
    int ScrollBarWidth = 12;
    int SliderHandle = 12;
    int Indicator = 14;  // check box square

    // The defaults overridden by every valid value of AIni; each bad value
    // keeps its default and is reported through OnLog.
    static TSkinTheme FromIni(const TSkinIni& AIni, const TSkinLog& OnLog);
};
