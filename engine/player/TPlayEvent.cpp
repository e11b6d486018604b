#include "engine/player/TPlayEvent.h"

#include <chrono>

namespace vidrelo {

void TPlayEvent::Post(const TPlayEventItem& item)
{
    {
        std::lock_guard lock(FLock);
        if (FEmpty) {
            FHeader = FTailer = 0;
            FEmpty = false;
        } else if (FEvents[FTailer].Kind != item.Kind) {
            FTailer = (FTailer + 1) % Capacity;
            if (FTailer == FHeader)
                FHeader = (FHeader + 1) % Capacity;
        }
        FEvents[FTailer] = item;
    }
    FEvent.notify_all();
}

std::optional<TPlayEventItem> TPlayEvent::Take(int ms)
{
    std::unique_lock lock(FLock);
    if (!FEvent.wait_for(lock, std::chrono::milliseconds(ms), [&] { return !FEmpty; }))
        return std::nullopt;
    const TPlayEventItem item = FEvents[FHeader];
    if (FHeader == FTailer)
        FEmpty = true;
    else
        FHeader = (FHeader + 1) % Capacity;
    return item;
}

void TPlayEvent::Clear()
{
    std::lock_guard lock(FLock);
    FEmpty = true;
    FHeader = FTailer = 0;
}

}  // namespace vidrelo
