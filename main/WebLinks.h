#pragma once
#include <QString>

// The addresses the main window's links and the About window open. The
// maker's pages live on one site; the share services take the program's
// own page as the address to share.
namespace WebLinks {

inline const QString ProgramName = "Vidrelo";
inline const QString HomePage = "https://www.quarnix.example/";
inline const QString ProgramPage = HomePage + "vidrelo.htm";
inline const QString GuidePage = HomePage + "guide/vidrelo.htm";
inline const QString SupportPage = HomePage + "support.htm";

QString FacebookShare();
QString TwitterShare();

}  // namespace WebLinks
