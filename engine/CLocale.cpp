#include "engine/CLocale.h"

namespace vidrelo {
namespace {

// Made once and kept for the life of the process: threads may still hold it
// when static objects are destroyed.
locale_t CLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

}  // namespace

TCLocaleScope::TCLocaleScope() : FPrevious(CLocale() ? uselocale(CLocale()) : static_cast<locale_t>(nullptr)) {}

TCLocaleScope::~TCLocaleScope()
{
    if (FPrevious)
        uselocale(FPrevious);
}

}  // namespace vidrelo
