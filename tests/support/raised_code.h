// The error code of the exception a call raises, for tests of the calls
// that report their errors by throwing.
#pragma once

#include <functional>

#include "base/exceptions.h"

namespace telvane::test {

// The code of the `E` that `fn` throws; 0 when it throws none.
template <class E = EAPDException>
int RaisedCode(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const E& e) {
    return e.ErrorCode();
  }
  return 0;
}

}  // namespace telvane::test
