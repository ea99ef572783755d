#pragma once

#include <memory>
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

// A call through a reference that holds nothing fails like any other step.
template <class T>
T& Use(const std::shared_ptr<T>& object) {
  if (!object) throw Error::Absent("no object");
  return *object;
}

}  // namespace store
