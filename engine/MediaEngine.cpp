#include "engine/MediaEngine.h"

#include "engine/EngineError.h"
#include "engine/loader/TFFLoader.h"
#include "engine/loader/TInterruptCB.h"
#include "engine/loader/TSourceProtocols.h"
#include "engine/log/TFFLogger.h"

#include <atomic>
#include <memory>

namespace vidrelo {
namespace {

struct TEngineState {
    TFFLoader Loader;
    TInterruptCB Interrupts;
    TSourceProtocols Protocols;
};

std::unique_ptr<TEngineState> State;             // main thread only
std::atomic<TInterruptCB*> InterruptsForPolling;  // read by library threads

TEngineState& RunningState()
{
    EngineAssert(State != nullptr, "The media engine is not running.", "TMediaEngine");
    return *State;
}

}  // namespace

void TMediaEngine::Start()
{
    if (State)
        return;
    State = std::make_unique<TEngineState>();
    InterruptsForPolling = &State->Interrupts;
}

void TMediaEngine::Stop()
{
    if (!State)
        return;
    State->Loader.Unload(TLibraries::All());
    InterruptsForPolling = nullptr;
    FreeAutoCreatedFFLogger();
    State.reset();
}

bool TMediaEngine::Running()
{
    return State != nullptr;
}

TFFLoader& TMediaEngine::Loader()
{
    return RunningState().Loader;
}

TSourceProtocols& TMediaEngine::SourceProtocols()
{
    return RunningState().Protocols;
}

TInterruptCB* TMediaEngine::InterruptRegistry()
{
    return InterruptsForPolling.load();
}

}  // namespace vidrelo
