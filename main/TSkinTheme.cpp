#include "main/TSkinTheme.h"

#include <QRegularExpression>

namespace {

void Complain(const TSkinLog& OnLog, const QString& ASection, const QString& AKey, const QString& AValue,
              const QString& AWhy)
{
    if (OnLog)
        OnLog(QStringLiteral("skin.ini: [%1] %2=%3 %4; the default is used").arg(ASection, AKey, AValue, AWhy));
}

void ReadColor(const TSkinIni& AIni, const QString& AKey, QColor& AValue, const TSkinLog& OnLog)
{
    static const QString section = QStringLiteral("Colors");
    if (!AIni.Contains(section, AKey))
        return;
    const QString text = AIni.Value(section, AKey);
    // Only "#RGB" / "#RRGGBB": the value ends up inside a style sheet.
    static const QRegularExpression form(QStringLiteral("^#([0-9A-Fa-f]{3}|[0-9A-Fa-f]{6})$"));
    if (!form.match(text).hasMatch()) {
        Complain(OnLog, section, AKey, text, QStringLiteral("is not a colour (#RRGGBB)"));
        return;
    }
    AValue = QColor(text);
}

void ReadSize(const TSkinIni& AIni, const QString& ASection, const QString& AKey, int AMin, int AMax, int& AValue,
              const TSkinLog& OnLog)
{
    if (!AIni.Contains(ASection, AKey))
        return;
    const QString text = AIni.Value(ASection, AKey);
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < AMin || value > AMax) {
        Complain(OnLog, ASection, AKey, text, QStringLiteral("is not a whole number from %1 to %2").arg(AMin).arg(AMax));
        return;
    }
    AValue = value;
}

void ReadFamily(const TSkinIni& AIni, QString& AValue, const TSkinLog& OnLog)
{
    static const QString section = QStringLiteral("Fonts");
    if (!AIni.Contains(section, QStringLiteral("Family")))
        return;
    const QString text = AIni.Value(section, QStringLiteral("Family"));
    // A family name is quoted into the style sheet: letters, digits, spaces,
    // '-' and '_' only, so no value can break out of the quotes.
    static const QRegularExpression form(QStringLiteral("^[A-Za-z0-9 _-]{1,64}$"));
    if (!form.match(text).hasMatch()) {
        Complain(OnLog, section, QStringLiteral("Family"), text, QStringLiteral("is not a font family name"));
        return;
    }
    AValue = text;
}

}  // namespace

TSkinTheme TSkinTheme::FromIni(const TSkinIni& AIni, const TSkinLog& OnLog)
{
    TSkinTheme t;
    const struct {
        const char* Key;
        QColor TSkinTheme::*Field;
    } colors[] = {
        {"Window", &TSkinTheme::Window},           {"Panel", &TSkinTheme::Panel},
        {"Base", &TSkinTheme::Base},               {"Header", &TSkinTheme::Header},
        {"Button", &TSkinTheme::Button},           {"ButtonHover", &TSkinTheme::ButtonHover},
        {"ButtonPressed", &TSkinTheme::ButtonPressed}, {"Border", &TSkinTheme::Border},
        {"Text", &TSkinTheme::Text},               {"DimText", &TSkinTheme::DimText},
        {"Disabled", &TSkinTheme::Disabled},       {"Accent", &TSkinTheme::Accent},
        {"AccentHover", &TSkinTheme::AccentHover}, {"AccentText", &TSkinTheme::AccentText},
        {"Selection", &TSkinTheme::Selection},     {"SelectionText", &TSkinTheme::SelectionText},
        {"ToolTip", &TSkinTheme::ToolTip},
    };
    for (const auto& c : colors)
        ReadColor(AIni, QString::fromLatin1(c.Key), t.*c.Field, OnLog);
    ReadFamily(AIni, t.FontFamily, OnLog);
    const QString fonts = QStringLiteral("Fonts");
    const QString sizes = QStringLiteral("Sizes");
    ReadSize(AIni, fonts, QStringLiteral("Size"), 6, 24, t.FontSize, OnLog);
    ReadSize(AIni, fonts, QStringLiteral("HeadingSize"), 6, 32, t.HeadingSize, OnLog);
    ReadSize(AIni, sizes, QStringLiteral("Radius"), 0, 12, t.Radius, OnLog);
    ReadSize(AIni, sizes, QStringLiteral("ScrollBarWidth"), 6, 24, t.ScrollBarWidth, OnLog);
    ReadSize(AIni, sizes, QStringLiteral("SliderHandle"), 6, 24, t.SliderHandle, OnLog);
    ReadSize(AIni, sizes, QStringLiteral("Indicator"), 8, 24, t.Indicator, OnLog);
    for (const QString& problem : AIni.Problems())
        if (OnLog)
            OnLog(QStringLiteral("skin.ini: %1 is not understood").arg(problem));
    return t;
}
