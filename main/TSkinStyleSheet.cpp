#include "main/TSkinStyleSheet.h"

#include <QList>
#include <QPair>

namespace {

// The sheet is written with {Name} placeholders so that it reads like the
// style sheet it becomes.
const char* const BaseRules = R"(
QWidget { background-color: {Window}; color: {Text}; font-family: "{Family}"; font-size: {FontSize}pt; }
QWidget:disabled { color: {Disabled}; }
QLabel, QCheckBox, QRadioButton { background: transparent; }
QPushButton { background-color: {Button}; color: {Text}; border: 1px solid {Border}; border-radius: {Radius}px; padding: 4px 12px; min-height: 16px; }
QPushButton:hover { background-color: {ButtonHover}; border-color: {Accent}; }
QPushButton:pressed, QPushButton:checked { background-color: {ButtonPressed}; }
QPushButton:disabled { background-color: {Panel}; color: {Disabled}; border-color: {Border}; }
QPushButton:default { border-color: {Accent}; }
QToolTip { background-color: {ToolTip}; color: {Text}; border: 1px solid {Accent}; padding: 3px; }
QMessageBox { background-color: {Panel}; }
QMessageBox QLabel { color: {Text}; }
QMessageBox QPushButton { min-width: 72px; }
)";

const char* const ListRules = R"(
QTreeView, QListView, QTableView { background-color: {Base}; alternate-background-color: {Window}; color: {Text}; border: 1px solid {Border}; selection-background-color: {Selection}; selection-color: {SelectionText}; outline: 0; }
QTreeView::item { padding: 2px 0px; }
QTreeView::item:selected, QListView::item:selected { background-color: {Selection}; color: {SelectionText}; }
QTreeView::item:hover, QListView::item:hover { background-color: {ButtonHover}; }
QHeaderView { background-color: {Header}; border: none; }
QHeaderView::section { background-color: {Header}; color: {DimText}; border: none; border-right: 1px solid {Border}; border-bottom: 1px solid {Border}; padding: 3px 6px; }
)";

const char* const FieldRules = R"(
QComboBox { background-color: {Base}; color: {Text}; border: 1px solid {Border}; border-radius: {Radius}px; padding: 2px 6px; min-height: 18px; }
QComboBox:hover, QComboBox:focus { border-color: {Accent}; }
QComboBox QAbstractItemView { background-color: {Panel}; color: {Text}; border: 1px solid {Border}; selection-background-color: {Selection}; selection-color: {SelectionText}; }
QLineEdit { background-color: {Base}; color: {Text}; border: 1px solid {Border}; border-radius: {Radius}px; padding: 2px 4px; selection-background-color: {Selection}; selection-color: {SelectionText}; }
QLineEdit:focus { border-color: {Accent}; }
QLineEdit:read-only { color: {DimText}; }
QCheckBox { spacing: 6px; }
QCheckBox::indicator { width: {Indicator}px; height: {Indicator}px; border: 1px solid {Border}; border-radius: 2px; background-color: {Base}; }
QCheckBox::indicator:hover { border-color: {Accent}; }
QCheckBox::indicator:checked { background-color: {Accent}; border-color: {Accent}; }
QCheckBox::indicator:disabled { background-color: {Panel}; border-color: {Border}; }
)";

const char* const MenuRules = R"(
QMenuBar { background-color: {Panel}; color: {Text}; border-bottom: 1px solid {Border}; }
QMenuBar::item { background: transparent; padding: 4px 10px; }
QMenuBar::item:selected { background-color: {ButtonHover}; }
QMenu { background-color: {Panel}; color: {Text}; border: 1px solid {Border}; padding: 4px 0px; }
QMenu::item { padding: 4px 24px 4px 22px; }
QMenu::item:selected { background-color: {Selection}; color: {SelectionText}; }
QMenu::item:disabled { color: {Disabled}; }
QMenu::separator { height: 1px; background-color: {Border}; margin: 4px 8px; }
)";

const char* const BarRules = R"(
QSlider { background: transparent; }
QSlider::groove:horizontal { height: 4px; background-color: {Border}; border-radius: 2px; }
QSlider::sub-page:horizontal { background-color: {Accent}; border-radius: 2px; }
QSlider::handle:horizontal { width: {Handle}px; height: {Handle}px; margin: -{HandleMargin}px 0px; border-radius: {HandleRadius}px; background-color: {Text}; }
QSlider::handle:horizontal:hover { background-color: {AccentHover}; }
QScrollBar:vertical { background-color: {Window}; width: {ScrollBar}px; margin: 0px; }
QScrollBar:horizontal { background-color: {Window}; height: {ScrollBar}px; margin: 0px; }
QScrollBar::handle:vertical { background-color: {Button}; min-height: 24px; margin: 2px; border-radius: {ScrollRadius}px; }
QScrollBar::handle:horizontal { background-color: {Button}; min-width: 24px; margin: 2px; border-radius: {ScrollRadius}px; }
QScrollBar::handle:hover { background-color: {ButtonHover}; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0px; height: 0px; }
QScrollBar::add-page, QScrollBar::sub-page { background: none; }
)";

QList<QPair<QString, QString>> Placeholders(const TSkinTheme& t)
{
    const auto n = [](int v) { return QString::number(v); };
    return {
        {"Window", t.Window.name()},       {"Panel", t.Panel.name()},
        {"Base", t.Base.name()},           {"Header", t.Header.name()},
        {"Button", t.Button.name()},       {"ButtonHover", t.ButtonHover.name()},
        {"ButtonPressed", t.ButtonPressed.name()}, {"Border", t.Border.name()},
        {"Text", t.Text.name()},           {"DimText", t.DimText.name()},
        {"Disabled", t.Disabled.name()},   {"Accent", t.Accent.name()},
        {"AccentHover", t.AccentHover.name()}, {"Selection", t.Selection.name()},
        {"SelectionText", t.SelectionText.name()}, {"ToolTip", t.ToolTip.name()},
        {"Family", t.FontFamily},          {"FontSize", n(t.FontSize)},
        {"Radius", n(t.Radius)},           {"Indicator", n(t.Indicator)},
        {"Handle", n(t.SliderHandle)},     {"HandleMargin", n((t.SliderHandle - 4) / 2)},
        {"HandleRadius", n(t.SliderHandle / 2)}, {"ScrollBar", n(t.ScrollBarWidth)},
        {"ScrollRadius", n((t.ScrollBarWidth - 4) / 2)},
    };
}

}  // namespace

QString TSkinStyleSheet::Build(const TSkinTheme& ATheme, const QString& ASkinFolder)
{
    QString sheet;
    for (const char* part : {BaseRules, ListRules, FieldRules, MenuRules, BarRules})
        sheet += QString::fromLatin1(part);
    // A style sheet's check box draws no tick of its own: the skin's picture is it.
    if (!ASkinFolder.isEmpty())
        sheet += QStringLiteral("QCheckBox::indicator:checked { image: url(\"%1/checkmark.png\"); }\n").arg(ASkinFolder);
    for (const auto& [name, value] : Placeholders(ATheme))
        sheet.replace(QLatin1Char('{') + name + QLatin1Char('}'), value);
    return sheet.trimmed() + QLatin1Char('\n');
}
