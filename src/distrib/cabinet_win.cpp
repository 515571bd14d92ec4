#include <windows.h>
#include <fcntl.h>
#include <fdi.h>

#include <cstdio>
#include <cstring>

#include "base/lazy_import.h"
#include "base/unique_handle.h"
#include "distrib/cabinet.h"

namespace distrib {

namespace {

// The cabinet handed to FDICopy: its "name" is the decimal address of this descriptor.
struct MemoryCabinet {
  const uint8_t* data;
  size_t size;
};

// One open stream: a read cursor over the cabinet, or an output buffer of the member being
// extracted.
struct Stream {
  const MemoryCabinet* input = nullptr;
  size_t position = 0;
  std::string* output = nullptr;
};

struct Extraction {
  const std::string* wanted;
  CabinetFiles* files;
  std::string buffer;
};

// The descriptor of the extraction running on this thread. The open callback accepts only its
// name, so a name taken from the archive itself can never become a pointer.
thread_local const MemoryCabinet* active_cabinet = nullptr;

FNALLOC(Alloc) { return HeapAlloc(GetProcessHeap(), 0, cb); }
FNFREE(Free) {
  if (pv) HeapFree(GetProcessHeap(), 0, pv);
}

FNOPEN(Open) {
  if (!active_cabinet || !pszFile) return -1;
  char expected[32];
  std::snprintf(expected, sizeof(expected), "%llu",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(active_cabinet)));
  if (std::strcmp(pszFile, expected) != 0) return -1;
  Stream* stream = new Stream;
  stream->input = active_cabinet;
  return reinterpret_cast<INT_PTR>(stream);
}

FNREAD(Read) {
  Stream* stream = reinterpret_cast<Stream*>(hf);
  if (!stream->input) return static_cast<UINT>(-1);
  size_t left = stream->input->size - stream->position;
  size_t count = cb < left ? cb : left;
  std::memcpy(pv, stream->input->data + stream->position, count);
  stream->position += count;
  return static_cast<UINT>(count);
}

FNWRITE(Write) {
  Stream* stream = reinterpret_cast<Stream*>(hf);
  if (!stream->output) return static_cast<UINT>(-1);
  stream->output->append(static_cast<const char*>(pv), cb);
  return cb;
}

FNCLOSE(Close) {
  delete reinterpret_cast<Stream*>(hf);
  return 0;
}

FNSEEK(Seek) {
  Stream* stream = reinterpret_cast<Stream*>(hf);
  if (!stream->input) return -1;
  long long base = 0;
  if (seektype == SEEK_CUR)
    base = static_cast<long long>(stream->position);
  else if (seektype == SEEK_END)
    base = static_cast<long long>(stream->input->size);
  else if (seektype != SEEK_SET)
    return -1;
  long long target = base + dist;
  if (target < 0 || target > static_cast<long long>(stream->input->size)) return -1;
  stream->position = static_cast<size_t>(target);
  return static_cast<__LONG32>(target);
}

FNFDINOTIFY(Notify) {
  Extraction* extraction = static_cast<Extraction*>(pfdin->pv);
  switch (fdint) {
    case fdintCABINET_INFO:
    case fdintENUMERATE:
      return 0;
    case fdintCOPY_FILE: {
      if (!extraction->wanted->empty() && *extraction->wanted != pfdin->psz1) return 0;  // skip
      extraction->buffer.clear();
      Stream* stream = new Stream;
      stream->output = &extraction->buffer;
      return reinterpret_cast<INT_PTR>(stream);
    }
    case fdintCLOSE_FILE_INFO:
      Close(pfdin->hf);
      (*extraction->files)[pfdin->psz1] = std::move(extraction->buffer);
      extraction->buffer.clear();
      return TRUE;
    case fdintPARTIAL_FILE:
    case fdintNEXT_CABINET:
    default:
      return -1;  // only single cabinets
  }
}

}  // namespace

bool ExtractCabinetFile(std::string_view cabinet, const std::string& wanted, CabinetFiles* files) {
  auto fdi_create = LAZY_IMPORT(base::kCabinet, FDICreate);
  auto fdi_copy = LAZY_IMPORT(base::kCabinet, FDICopy);
  if (!fdi_create || !fdi_copy || !LAZY_IMPORT(base::kCabinet, FDIDestroy)) return false;

  ERF error{};
  base::ScopedCabinetContext context(fdi_create(Alloc, Free, Open, Read, Write, Close, Seek, cpuUNKNOWN, &error));
  if (!context) return false;
  MemoryCabinet descriptor{reinterpret_cast<const uint8_t*>(cabinet.data()), cabinet.size()};
  char name[32];
  std::snprintf(name, sizeof(name), "%llu",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(&descriptor)));
  char path[1] = "";
  Extraction extraction{&wanted, files, std::string()};
  const MemoryCabinet* previous = active_cabinet;
  active_cabinet = &descriptor;
  BOOL copied = fdi_copy(context.get(), name, path, 0, Notify, nullptr, &extraction);
  active_cabinet = previous;
  context.reset();
  // A failed copy may still have reported a member it could not finish (the cabinet library
  // closes it as extracted): nothing from a broken cabinet is kept.
  if (!copied) files->clear();
  return copied != FALSE;
}

}  // namespace distrib
