#include "com/thread_local_order.h"

#include <cxxabi.h>

namespace tarvolk::com {
namespace {

// In the calling convention libstdc++ calls thread_local destructors with
// (thiscall on i686, which GCC otherwise reserves for member functions).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
void _GLIBCXX_CDTOR_CALLABI NothingToDestroy(void*) {}
#pragma GCC diagnostic pop

}  // namespace

void OrderThreadLocalDestructors() {
  abi::__cxa_thread_atexit(&NothingToDestroy, nullptr, nullptr);
}

}  // namespace tarvolk::com
