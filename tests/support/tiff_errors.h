// libtiff's error messages for the test helpers that drive libtiff: caught
// rather than printed, and handed back with the helper's own error text.
#pragma once

#include <string>

namespace telvane::test {

// Routes libtiff's errors to this thread's last libtiff message (cleared
// now) and silences its warnings; called before each libtiff operation.
void CatchTiffErrors();
// Sets *error, when given, to `what` followed by libtiff's last message in
// brackets.
void SetTiffError(std::string* error, const std::string& what);

}  // namespace telvane::test
