#include "main/WebLinks.h"

namespace WebLinks {

QString FacebookShare()
{
    return "https://www.facebook.com/sharer.php?u=" + ProgramPage;
}

QString TwitterShare()
{
    QString text = ProgramName;
    text.replace(' ', '+');
    return "https://twitter.com/share?original_referer=" + ProgramPage + "&text=" + text;
}

}  // namespace WebLinks
