// How the engine's functions are exported: C linkage, the default C calling convention, and
// a realigned stack, since a foreign caller may arrive with only 4-byte alignment.
#pragma once

#define RW_ENGINE_EXPORT extern "C" __attribute__((visibility("default"), force_align_arg_pointer))

// Compiles only when the function converts to Proc without a cast, that is, when it has
// exactly the parameters and result of its documented type.
template <typename Proc>
constexpr bool hasType(Proc) {
  return true;
}
