#pragma once

#include <functional>
#include <utility>

namespace store {

// What a binding runs, on the thread that waits, every few tens of milliseconds while it waits on
// something that may be slow to come (a reader process of a personal folder file). The window
// sets it to let its events through, so that it repaints and stays alive through a wait of many
// seconds; nothing is set elsewhere. Set it before any store is used.
inline std::function<void()>& WhileWaiting() {
  static std::function<void()> hook;
  return hook;
}

inline void SetWhileWaiting(std::function<void()> hook) { WhileWaiting() = std::move(hook); }

}  // namespace store
