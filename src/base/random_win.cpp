#include <windows.h>

#include "base/lazy_import.h"
#include "base/random.h"

namespace base {

bool RandomBytes(void* out, size_t size) {
  // RtlGenRandom is exported by advapi32 as SystemFunction036.
  using RtlGenRandomFn = BOOLEAN WINAPI(PVOID, ULONG);
  auto gen_random = LAZY_IMPORT_AS(kAdvapi32, RtlGenRandomFn, "SystemFunction036");
  return gen_random && gen_random(out, static_cast<ULONG>(size));
}

}  // namespace base
