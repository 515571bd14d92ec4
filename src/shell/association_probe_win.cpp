#include "shell/association_probe.h"

#include <cstdio>
#include <string>

#include "base/com_ptr.h"
#include "base/diag_log.h"
#include "base/lazy_import.h"
#include "base/os_version.h"
#include "base/strings.h"

namespace shell {

namespace {

// IApplicationAssociationRegistrationInternal in the Windows builds that have it; kind 1 is the
// newer generation that needs the handler lists checked.
struct InterfaceRow {
  GUID iid;
  int kind;
};
const InterfaceRow kRegistrationInterfaces[] = {
    {{0x2A848E25, 0xD688, 0x4AA3, {0x8E, 0x55, 0x0C, 0x16, 0xCB, 0x3A, 0x2D, 0xFB}}, 1},
    {{0xFC0BE3A5, 0x6BE4, 0x423C, {0xB2, 0x87, 0x24, 0x89, 0x34, 0xE3, 0x79, 0xC7}}, 1},
    {{0x14EBCC88, 0x2831, 0x4FC8, {0xA5, 0xDF, 0x9F, 0x36, 0xA8, 0x1D, 0xB1, 0x2C}}, 0},
    {{0x1C5C9D10, 0x1225, 0x4C97, {0x8C, 0x51, 0x98, 0xE1, 0xB6, 0xF0, 0xD4, 0xE0}}, 0},
    {{0x229D59E2, 0xF94A, 0x402E, {0x9A, 0x9F, 0x3B, 0x84, 0xA1, 0xAC, 0xED, 0x77}}, 0},
};
const GUID kSetAppAsDefaultBrowserInternal = {0xB00DC47B, 0xBFF4, 0x4318, {0xBE, 0x5B, 0xA5, 0x85, 0x6F, 0x91, 0x69, 0xA2}};
const GUID kAssocHandlerMakeDefault = {0xCA635855, 0xB44E, 0x4541, {0x95, 0x91, 0x9F, 0xAA, 0x53, 0x35, 0x4A, 0x53}};
const GUID kEnumAssocHandlers = {0x973810AE, 0x9599, 0x4B88, {0x9E, 0x4D, 0x6E, 0xE9, 0x8C, 0x95, 0x52, 0xDA}};

// IUnknown followed by the make-default call.
struct IAssocHandlerMakeDefault : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE MakeDefaultPriv(int flags) = 0;
};

std::string Hr(HRESULT hr) {
  char text[16];
  snprintf(text, sizeof(text), "0x%08lx", static_cast<unsigned long>(hr));
  return text;
}

// The first 8 characters after the brace of the identifier's text form.
std::string ShortId(const GUID& iid) {
  char text[16];
  snprintf(text, sizeof(text), "%08lX", static_cast<unsigned long>(iid.Data1));
  return text;
}

class ShellAssociationApi : public AssociationApi {
 public:
  HRESULT CreateRegistration(REFIID iid, void** object) override {
    using Fn = HRESULT WINAPI(REFIID, void**);
    auto fn = LAZY_IMPORT_AS(base::kShell32, Fn, "SHCreateAssociationRegistration");
    return fn ? fn(iid, object) : HRESULT_FROM_WIN32(GetLastError());
  }
  HRESULT EnumHandlersForProtocol(const wchar_t* protocol, IEnumAssocHandlers** handlers) override {
    using Fn = HRESULT WINAPI(PCWSTR, REFIID, void**);
    auto fn = LAZY_IMPORT_AS(base::kShell32, Fn, "SHAssocEnumHandlersForProtocolByApplication");
    return fn ? fn(protocol, kEnumAssocHandlers, reinterpret_cast<void**>(handlers))
              : HRESULT_FROM_WIN32(GetLastError());
  }
  HRESULT EnumHandlersForExtension(const wchar_t* extension, IEnumAssocHandlers** handlers) override {
    using Fn = HRESULT WINAPI(PCWSTR, ASSOC_FILTER, IEnumAssocHandlers**);
    auto fn = LAZY_IMPORT_AS(base::kShell32, Fn, "SHAssocEnumHandlers");
    return fn ? fn(extension, ASSOC_FILTER_NONE, handlers) : HRESULT_FROM_WIN32(GetLastError());
  }
};

}  // namespace

AssociationApi& SystemAssociationApi() {
  static ShellAssociationApi api;
  return api;
}

bool FindAndMakeDefaultHandler(IEnumAssocHandlers* handlers, const wchar_t* ui_name, bool probe_only) {
  std::wstring wanted = ui_name ? ui_name : L"";
  std::string wanted_utf8 = base::WideToUtf8(wanted);
  base::ComPtr<IAssocHandler> handler;
  while (true) {
    ULONG fetched = 0;
    HRESULT hr = handlers->Next(1, handler.receive(), &fetched);
    if (FAILED(hr) || !handler || fetched != 1) {
      handler.reset();
      base::DiagLog("IEnumAssocHandlers::Next error, hr=" + Hr(hr) + ", failed to find " + wanted_utf8);
      return false;
    }
    wchar_t* name = nullptr;
    hr = handler->GetUIName(&name);
    if (FAILED(hr)) {
      base::DiagLog("IAssocHandler::GetUIName error, hr=" + Hr(hr) + ", failed to find " + wanted_utf8);
      handler.reset();
      continue;
    }
    base::ScopedCoTaskMemory name_memory(name);
    bool taken = probe_only || (name && wanted == name);
    name_memory.reset();
    if (taken) break;
    handler.reset();
  }
  base::ComPtr<IAssocHandlerMakeDefault> make_default;
  HRESULT hr = handler->QueryInterface(kAssocHandlerMakeDefault, make_default.receive_void());
  bool result = false;
  if (FAILED(hr) || !make_default) {
    base::DiagLog("QueryInterface(IAssocHandlerMakeDefault) error, hr=" + Hr(hr));
  } else if (probe_only) {
    result = true;
  } else {
    hr = make_default->MakeDefaultPriv(0);
    result = SUCCEEDED(hr);
    if (!result) base::DiagLog("IAssocHandlerMakeDefault::MakeDefaultPriv error, hr=" + Hr(hr));
  }
  return result;
}

bool CheckInternalInterface(AssociationApi& api) {
  base::ComPtr<IUnknown> registration;
  int kind = -1;
  for (const InterfaceRow& row : kRegistrationInterfaces) {
    HRESULT hr = api.CreateRegistration(row.iid, registration.receive_void());
    if (SUCCEEDED(hr) && registration) {
      base::DiagLog("IApplicationAssociationRegistrationInternal creation is succeeded by " + ShortId(row.iid));
      kind = row.kind;
      break;
    }
    // A failed creation hands back no object to release.
    static_cast<void>(registration.release());
    base::DiagLog("IApplicationAssociationRegistrationInternal creation is failed, hr=" + Hr(hr) +
                  ", guid= " + ShortId(row.iid));
  }
  if (kind < 0) {
    base::DiagLog("Unsupported Win10 version=" + std::to_string(base::GetWindowsVersion()));
    return false;
  }
  if (kind == 0) return true;
  base::ComPtr<IUnknown> set_default;
  HRESULT hr = registration->QueryInterface(kSetAppAsDefaultBrowserInternal, set_default.receive_void());
  if (FAILED(hr) || !set_default) {
    base::DiagLog("QueryInterface(ISetAppAsDefaultBrowserInternal) error, hr=" + Hr(hr));
    return false;
  }
  bool result = true;
  for (const wchar_t* protocol : {L"http", L"https"}) {
    base::ComPtr<IEnumAssocHandlers> handlers;
    hr = api.EnumHandlersForProtocol(protocol, handlers.receive());
    if (FAILED(hr) || !handlers) {
      base::DiagLog("SHAssocEnumHandlersForProtocolByApplication error, hr=" + Hr(hr) +
                    " protocol=" + base::WideToUtf8(protocol));
      result = false;
    } else {
      result = FindAndMakeDefaultHandler(handlers.get(), L"", true);
    }
    if (!result) break;
  }
  for (const wchar_t* extension : {L".htm", L".html"}) {
    if (!result) break;
    base::ComPtr<IEnumAssocHandlers> handlers;
    hr = api.EnumHandlersForExtension(extension, handlers.receive());
    if (FAILED(hr) || !handlers) {
      base::DiagLog("SHAssocEnumHandlers error, hr=" + Hr(hr) + " extension=" + base::WideToUtf8(extension));
      result = false;
    } else {
      result = FindAndMakeDefaultHandler(handlers.get(), L"", true);
    }
  }
  return result;
}

bool CheckInternalInterfaceInApartment(AssociationApi& api) {
  // The shell creates the association objects through COM, and nothing else in the probe's short
  // life initialises it: without an apartment every creation fails with CO_E_NOTINITIALIZED.
  base::ComApartment apartment(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  if (!apartment.initialized()) base::DiagLog("CoInitializeEx error, hr=" + Hr(apartment.result()));
  return CheckInternalInterface(api);
}

}  // namespace shell
