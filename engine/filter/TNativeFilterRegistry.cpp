#include "engine/filter/TNativeFilterRegistry.h"

#include "engine/EngineError.h"

#include <mutex>

namespace vidrelo {
namespace {

const char* const RegistrySource = "TNativeFilterRegistry";

}  // namespace

TNativeFilterRegistry& TNativeFilterRegistry::Instance()
{
    static TNativeFilterRegistry registry;
    return registry;
}

bool TNativeFilterRegistry::RegisterOnce(const TNativeFilterDefinition& definition)
{
    EngineAssert(!definition.Name.empty(), "A native filter needs a name", RegistrySource);
    EngineAssert(static_cast<bool>(definition.Factory), "Native filter " + definition.Name + " has no factory",
                 RegistrySource);
    EngineAssert(!definition.PixelFormats.empty(), "Native filter " + definition.Name + " accepts no pixel format",
                 RegistrySource);
    std::unique_lock lock(FLock);
    for (const TNativeFilterDefinition* registered : FDefinitions) {
        if (registered == &definition)
            return false;
        EngineAssert(registered->Name != definition.Name,
                     "Another native filter is registered as " + definition.Name, RegistrySource);
    }
    FDefinitions.push_back(&definition);
    return true;
}

const TNativeFilterDefinition* TNativeFilterRegistry::Find(std::string_view name) const
{
    std::shared_lock lock(FLock);
    for (const TNativeFilterDefinition* registered : FDefinitions)
        if (registered->Name == name)
            return registered;
    return nullptr;
}

std::vector<const TNativeFilterDefinition*> TNativeFilterRegistry::Definitions() const
{
    std::shared_lock lock(FLock);
    return FDefinitions;
}

bool RegisterFilterOnce(const TNativeFilterDefinition& definition)
{
    return TNativeFilterRegistry::Instance().RegisterOnce(definition);
}

const TNativeFilterDefinition* FindNativeFilter(std::string_view name)
{
    return TNativeFilterRegistry::Instance().Find(name);
}

}  // namespace vidrelo
