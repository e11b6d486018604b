#pragma once
// The ring of position and state events a player hands to its event thread.
// Ten slots; an item of the same kind as the last one posted replaces it,
// so a busy main thread sees only the newest position; when the ring is
// full the oldest item is lost.
#include "engine/player/TPlayerTypes.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

namespace vidrelo {

enum class TPlayEventKind { Position = 1, State = 2, EndOfDelivery = 3 };

struct TPlayEventItem {
    TPlayEventKind Kind = TPlayEventKind::Position;
    TPlayState State = TPlayState::psPlay;
    int64_t Position = 0;
};

class TPlayEvent {
public:
    static constexpr int Capacity = 10;
    void Post(const TPlayEventItem& item);
    // The oldest item, waiting at most `ms` milliseconds; nullopt when none came.
    std::optional<TPlayEventItem> Take(int ms);
    void Clear();

private:
    std::mutex FLock;
    std::condition_variable FEvent;  // signalled while items wait
    int FHeader = 0;                 // oldest item
    int FTailer = 0;                 // last posted item
    bool FEmpty = true;
    std::array<TPlayEventItem, Capacity> FEvents{};
};

}  // namespace vidrelo
