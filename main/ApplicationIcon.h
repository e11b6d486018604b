#pragma once
#include <QIcon>
#include <QString>

// The application's icon for its windows: the icon theme's when Vidrelo is
// installed, else the pictures the build drew, found from the program
// folder (build/bin beside build/share, or lib/vidrelo under the prefix's
// share/). An empty icon when neither has it.
QIcon ApplicationIcon(const QString& programFolder);
