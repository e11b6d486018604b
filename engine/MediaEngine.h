#pragma once
// Start and stop of the media engine.
//
// The loader, the interrupt registry and the source protocol registry exist
// from Start to Stop; every media component is created in between, given
// the engine's services (Services()) by whoever creates it. Stop unloads
// every media library and frees the auto-created logger. Start and Stop
// belong to the main thread; the registries may be reached from any thread
// while the engine runs.
#include "engine/EngineServices.h"

namespace vidrelo {

class TFFLoader;
class TInterruptCB;
class TSourceProtocols;

class TMediaEngine {
public:
    static void Start();
    static void Stop();
    static bool Running();

    // The services the program's components are given; assertion when the
    // engine is not running. Valid until Stop.
    static const TEngineServices& Services();
    static TFFLoader& Loader();  // assertion when the engine is not running
    static TSourceProtocols& SourceProtocols();
    // Null when the engine is not running (the libraries may still poll).
    static TInterruptCB* InterruptRegistry();
};

// Starts the engine for the lifetime of a scope (a program's main, a test).
class TMediaEngineScope {
public:
    TMediaEngineScope() { TMediaEngine::Start(); }
    ~TMediaEngineScope() { TMediaEngine::Stop(); }
    TMediaEngineScope(const TMediaEngineScope&) = delete;
    TMediaEngineScope& operator=(const TMediaEngineScope&) = delete;
};

}  // namespace vidrelo
