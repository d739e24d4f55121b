#include "platform/win32/com/thread_local_order.h"

// libstdc++'s registration of a thread_local destructor, as the compiler calls it.
extern "C" int __cxa_thread_atexit(void (*destructor)(void*), void* object, void* dsoHandle);

namespace tarvolk::platform::win32::com {
namespace {
void NothingToDestroy(void*) {}
}  // namespace

void OrderThreadLocalDestructors() { __cxa_thread_atexit(&NothingToDestroy, nullptr, nullptr); }

}  // namespace tarvolk::platform::win32::com
