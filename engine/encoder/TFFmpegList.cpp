#include "engine/encoder/TFFmpegList.h"

#include "engine/EngineError.h"
#include "engine/encoder/TFFmpeg.h"

#include <algorithm>
#include <utility>

namespace vidrelo {

TFFmpegList::TFFmpegList() = default;

TFFmpegList::~TFFmpegList()
{
    Clear();
}

TFFmpeg* TFFmpegList::Item(int AIndex) const
{
    return AIndex >= 0 && AIndex < Count() ? FItems[AIndex].get() : nullptr;
}

int TFFmpegList::IndexOf(const TCustomFFmpeg* AItem) const
{
    const auto found =
        std::find_if(FItems.begin(), FItems.end(), [&](const std::unique_ptr<TFFmpeg>& item) { return item.get() == AItem; });
    return found == FItems.end() ? -1 : static_cast<int>(found - FItems.begin());
}

int TFFmpegList::Add(std::unique_ptr<TFFmpeg> AItem)
{
    FItems.push_back(std::move(AItem));
    return Count() - 1;
}

void TFFmpegList::Exchange(int AIndex1, int AIndex2)
{
    EngineAssert(Item(AIndex1) && Item(AIndex2), "List index out of bounds", "TFFmpegList.Exchange");
    std::swap(FItems[AIndex1], FItems[AIndex2]);
}

void TFFmpegList::Delete(int AIndex)
{
    EngineAssert(Item(AIndex) != nullptr, "List index out of bounds", "TFFmpegList.Delete");
    FItems.erase(FItems.begin() + AIndex);
}

void TFFmpegList::Clear()
{
    // Last first, as each task stops and waits for its worker.
    while (!FItems.empty())
        FItems.pop_back();
}

}  // namespace vidrelo
