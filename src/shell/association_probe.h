// Whether the shell's internal default-browser interfaces are usable on this Windows build. Runs
// in a short-lived child process ("check-the-interface"), since the undocumented interfaces may
// fail or crash. It changes no association.
#pragma once

#include <windows.h>
#include <shobjidl.h>

namespace shell {

// The shell entry points the probe needs; the system's by default, replaceable in tests.
class AssociationApi {
 public:
  virtual ~AssociationApi() = default;
  [[nodiscard]] virtual HRESULT CreateRegistration(REFIID iid, void** object) = 0;
  virtual HRESULT EnumHandlersForProtocol(const wchar_t* protocol, IEnumAssocHandlers** handlers) = 0;
  [[nodiscard]] virtual HRESULT EnumHandlersForExtension(const wchar_t* extension, IEnumAssocHandlers** handlers) = 0;
};

AssociationApi& SystemAssociationApi();

[[nodiscard]] bool CheckInternalInterface(AssociationApi& api = SystemAssociationApi());
// The probe process's check: CheckInternalInterface inside a single-threaded COM apartment of its
// own, released again before it returns.
[[nodiscard]] bool CheckInternalInterfaceInApartment(AssociationApi& api = SystemAssociationApi());
// Walks the handler list until one named ui_name (or, probing, the first one) offers the
// make-default interface; calls it unless probing.
[[nodiscard]] bool FindAndMakeDefaultHandler(IEnumAssocHandlers* handlers, const wchar_t* ui_name, bool probe_only);

}  // namespace shell
