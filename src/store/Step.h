#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "store/Error.h"

namespace store {

// The program's failure rule: a step that fails is abandoned and the handler goes on with the
// step its own order names. Step() runs one step and says whether it went through. Only the
// message store's own failures are absorbed; anything else is a bug and propagates.
template <class F>
bool Step(F&& step) {
  try {
    std::forward<F>(step)();
    return true;
  } catch (const Error&) {
    return false;
  }
}

// Runs a step as Step() does and, when it fails, keeps its reason in `first` unless a reason is
// there already, so that the user can be told the first of several failures. With
// `unreadableOnly` a value the object merely lacks is not kept.
template <class F>
bool StepKeepingFirstFailure(std::optional<std::string>& first, F&& step,
                             bool unreadableOnly = false) {
  try {
    std::forward<F>(step)();
    return true;
  } catch (const Error& error) {
    if (!first && (error.unreadable() || !unreadableOnly)) first = error.what();
    return false;
  }
}

// A call through a reference that holds nothing fails like any other step.
template <class T>
T& Use(const std::shared_ptr<T>& object) {
  if (!object) throw Error::Absent("no object");
  return *object;
}

}  // namespace store
