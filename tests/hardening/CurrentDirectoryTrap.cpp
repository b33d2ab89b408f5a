// Stands in for a library planted in the directory the program is started from: loading it ends
// the process, so a program that picks it up cannot pass for a healthy one.
#include <cstdlib>

namespace {

[[gnu::constructor]] void AbortWhenLoaded() {
  std::abort();
}

}  // namespace
