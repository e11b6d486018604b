#pragma once
// The services of the test process's running engine: what the program's top
// level hands the components it makes (a test makes its components within
// a TMediaEngineScope).
#include "engine/MediaEngine.h"

namespace vidrelo::test {

inline const TEngineServices& EngineServices()
{
    return TMediaEngine::Services();
}

// The same with a dispatcher of the test's own in the process's place, so
// that the test sees which hand-offs a component makes.
inline TEngineServices EngineServicesWith(TMainThreadDispatcher& dispatcher)
{
    const TEngineServices& engine = TMediaEngine::Services();
    return {engine.Loader, dispatcher, engine.Filters, engine.Interrupts};
}

}  // namespace vidrelo::test
