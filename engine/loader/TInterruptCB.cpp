#include "engine/loader/TInterruptCB.h"

#include "engine/MediaEngine.h"
#include "engine/ThreadId.h"
#include "engine/loader/MediaHeaders.h"

#include <algorithm>

namespace vidrelo {

void TInterruptCB::Add(uint32_t AThreadID, void* ASender, TInterruptProc AInterrupt)
{
    const TEntry entry{AThreadID, ASender, AInterrupt};
    std::lock_guard lock(FLock);
    if (std::find(FList.begin(), FList.end(), entry) == FList.end())
        FList.push_back(entry);
}

void TInterruptCB::Remove(uint32_t AThreadID, void* ASender, TInterruptProc AInterrupt)
{
    const TEntry entry{AThreadID, ASender, AInterrupt};
    std::lock_guard lock(FLock);
    auto it = std::find(FList.begin(), FList.end(), entry);
    if (it != FList.end())
        FList.erase(it);
}

void TInterruptCB::Clear()
{
    std::lock_guard lock(FLock);
    FList.clear();
}

bool TInterruptCB::Interrupt(uint32_t AThreadID)
{
    std::lock_guard lock(FLock);
    auto it = std::find_if(FList.begin(), FList.end(), [&](const TEntry& e) { return e.ThreadID == AThreadID; });
    return it != FList.end() && it->Proc && it->Proc(it->Sender);
}

std::size_t TInterruptCB::Count() const
{
    std::lock_guard lock(FLock);
    return FList.size();
}

int IOInterruptCallback(void* opaque)
{
    TInterruptCB* registry = opaque ? static_cast<TInterruptCB*>(opaque) : TMediaEngine::InterruptRegistry();
    return registry && registry->Interrupt(CurrentThreadId()) ? 1 : 0;
}

void InstallInterruptCallback(AVFormatContext* context)
{
    context->interrupt_callback.callback = IOInterruptCallback;
    context->interrupt_callback.opaque = nullptr;
}

void InstallInterruptCallback(AVFormatContext* context, TInterruptCB& registry)
{
    context->interrupt_callback.callback = IOInterruptCallback;
    context->interrupt_callback.opaque = &registry;
}

TInterruptScope::TInterruptScope(TInterruptCB& ARegistry, void* ASender, TInterruptProc AInterrupt)
    : FRegistry(&ARegistry), FThreadID(CurrentThreadId()), FSender(ASender), FProc(AInterrupt)
{
    FRegistry->Add(FThreadID, FSender, FProc);
}

TInterruptScope::TInterruptScope(void* ASender, TInterruptProc AInterrupt)
    : FRegistry(TMediaEngine::InterruptRegistry()), FThreadID(CurrentThreadId()), FSender(ASender), FProc(AInterrupt)
{
    if (FRegistry)
        FRegistry->Add(FThreadID, FSender, FProc);
}

TInterruptScope::~TInterruptScope()
{
    if (FRegistry)
        FRegistry->Remove(FThreadID, FSender, FProc);
}

}  // namespace vidrelo
