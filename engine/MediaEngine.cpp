#include "engine/MediaEngine.h"

#include "engine/EngineError.h"
#include "engine/MainThreadDispatcher.h"
#include "engine/filter/TNativeFilterRegistry.h"
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
    // The dispatcher and the filter registry are the process's for good;
    // the rest lives from Start to Stop.
    TEngineServices Services{Loader, TMainThreadDispatcher::Instance(), TNativeFilterRegistry::Instance(), Interrupts};
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
    SetAutoCreatedLoggerDispatcher(&State->Services.Dispatcher);
}

void TMediaEngine::Stop()
{
    if (!State)
        return;
    State->Loader.Unload(TLibraries::All());
    InterruptsForPolling = nullptr;
    FreeAutoCreatedFFLogger();
    SetAutoCreatedLoggerDispatcher(nullptr);
    State.reset();
}

bool TMediaEngine::Running()
{
    return State != nullptr;
}

const TEngineServices& TMediaEngine::Services()
{
    return RunningState().Services;
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
