#include <windows.h>

#include "base/lazy_import.h"
#include "base/random.h"

namespace base {

bool RandomBytes(void* out, size_t size) {
  // RtlGenRandom is exported by advapi32 as SystemFunction036.
  using RtlGenRandomFn = BOOLEAN WINAPI(PVOID, ULONG);
  static LazyFunction<RtlGenRandomFn> gen_random(kAdvapi32, "SystemFunction036");
  RtlGenRandomFn* fn = gen_random.Get();
  return fn && fn(out, static_cast<ULONG>(size));
}

}  // namespace base
