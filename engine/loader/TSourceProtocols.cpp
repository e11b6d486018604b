#include "engine/loader/TSourceProtocols.h"

#include <algorithm>

namespace vidrelo {

void TSourceProtocols::Register(const std::string& prefix, TSourceOpener opener)
{
    std::lock_guard lock(FLock);
    auto it = std::find_if(FOpeners.begin(), FOpeners.end(), [&](const auto& p) { return p.first == prefix; });
    if (it != FOpeners.end())
        it->second = std::move(opener);
    else
        FOpeners.emplace_back(prefix, std::move(opener));
}

void TSourceProtocols::Unregister(const std::string& prefix)
{
    std::lock_guard lock(FLock);
    std::erase_if(FOpeners, [&](const auto& p) { return p.first == prefix; });
}

TSourceOpener TSourceProtocols::Find(const std::string& url) const
{
    std::lock_guard lock(FLock);
    for (const auto& [prefix, opener] : FOpeners)
        if (url.size() > prefix.size() && url.compare(0, prefix.size(), prefix) == 0 && url[prefix.size()] == ':')
            return opener;
    return {};
}

}  // namespace vidrelo
