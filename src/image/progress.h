#pragma once

#include <functional>

namespace drollo {

// Called by long kernels once per column or row they finish, so the caller can advance a progress
// bar (and keep the window alive). Empty means nobody listens.
using Progress = std::function<void()>;

inline void Tick(const Progress& p) {
  if (p) p();
}

}  // namespace drollo
