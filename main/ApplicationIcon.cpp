#include "main/ApplicationIcon.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr char IconName[] = "com.quarnix.Vidrelo";
constexpr int Sizes[] = {16, 24, 32, 48, 64, 128, 256};

QIcon IconFromFolder(const QString& themeFolder)
{
    QIcon icon;
    for (int size : Sizes) {
        const QString file = QStringLiteral("%1/%2x%2/apps/%3.png").arg(themeFolder).arg(size).arg(IconName);
        if (QFileInfo::exists(file))
            icon.addFile(file, QSize(size, size));
    }
    return icon;
}

}  // namespace

QIcon ApplicationIcon(const QString& programFolder)
{
    if (QIcon::hasThemeIcon(IconName))
        return QIcon::fromTheme(IconName);
    for (const char* up : {"../share", "../../share"}) {
        const QIcon icon = IconFromFolder(QDir::cleanPath(programFolder + up + "/icons/hicolor"));
        if (!icon.isNull())
            return icon;
    }
    return {};
}
