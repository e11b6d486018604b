#pragma once
// The process-wide list of the engine's own filters (TNativeFilter.h), by name.
//
// Definitions are registered once and stay registered for the whole run; the
// registry keeps only a pointer, so a definition must outlive the process's
// use of the media engine (a static object). Registering the very same
// definition again does nothing, which lets every window that needs a filter
// register it when it opens. Any thread may look names up while another
// registers.
#include "engine/filter/TNativeFilter.h"

#include <shared_mutex>
#include <string_view>
#include <vector>

namespace vidrelo {

class TNativeFilterRegistry {
public:
    TNativeFilterRegistry() = default;
    TNativeFilterRegistry(const TNativeFilterRegistry&) = delete;
    TNativeFilterRegistry& operator=(const TNativeFilterRegistry&) = delete;

    // The registry the filter chains of the program use.
    static TNativeFilterRegistry& Instance();

    // Adds `definition` unless it is registered already; true when it was
    // added. Raises EAssertionFailed for a definition without a name,
    // factory or pixel format, and for another definition under a name that
    // is taken.
    bool RegisterOnce(const TNativeFilterDefinition& definition);
    // The definition registered under `name` (exact, case-sensitive), or null.
    const TNativeFilterDefinition* Find(std::string_view name) const;
    // Every registered definition, in the order of registration.
    std::vector<const TNativeFilterDefinition*> Definitions() const;

private:
    mutable std::shared_mutex FLock;
    std::vector<const TNativeFilterDefinition*> FDefinitions;
};

// TNativeFilterRegistry::Instance().RegisterOnce(definition).
bool RegisterFilterOnce(const TNativeFilterDefinition& definition);
// TNativeFilterRegistry::Instance().Find(name).
const TNativeFilterDefinition* FindNativeFilter(std::string_view name);

}  // namespace vidrelo
