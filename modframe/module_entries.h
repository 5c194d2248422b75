// The one place where C entries of the host interface become calls of C++
// members. A module names its routine, `routine<&MyModule::processRun>()`,
// and gets the entry and binding words the host is to call.
#pragma once

#include "modframe/processing_module.h"

namespace modframe {

namespace detail {

template <class Member>
struct MemberClass;
template <class Module, class Signature>
struct MemberClass<Signature Module::*> {
    using type = Module;
};

template <auto Member>
using OwnerOf = typename MemberClass<decltype(Member)>::type;

template <auto Routine>
void processEntry(void* object, int32_t offset, int32_t count) noexcept {
    auto* module = static_cast<OwnerOf<Routine>*>(static_cast<ProcessingModule*>(object));
    (module->*Routine)(offset, count);
}

template <auto Operation>
void deferredEntry(void* object) noexcept {
    auto* module = static_cast<OwnerOf<Operation>*>(static_cast<ProcessingModule*>(object));
    (module->*Operation)();
}

}  // namespace detail

// The ProcessRoutine of a member `void (offset, count)` of a module.
template <auto Routine>
constexpr ProcessRoutine routine() {
    return ProcessRoutine{&detail::processEntry<Routine>, {0, 0, 0}};
}

// The entry of a member `void ()` of a module, for queueDeferredCall.
template <auto Operation>
constexpr DeferredEntry deferred() {
    return &detail::deferredEntry<Operation>;
}

}  // namespace modframe
