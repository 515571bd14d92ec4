#include "shell/association_probe.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "base/diag_log.h"

namespace shell {
namespace {

// Minimal COM objects standing in for the shell's internal interfaces.
class FakeUnknown : public IUnknown {
 public:
  explicit FakeUnknown(bool offers_everything = true) : offers_(offers_everything) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    if (!offers_) return (*out = nullptr), E_NOINTERFACE;
    AddRef();
    *out = static_cast<IUnknown*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
  ULONG refs_ = 1;
  bool offers_;
};

class FakeHandler : public IAssocHandler {
 public:
  FakeHandler(std::wstring name, bool makes_default) : name_(std::move(name)), makes_default_(makes_default) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    if (!makes_default_) return (*out = nullptr), E_NOINTERFACE;
    *out = &make_default_;
    make_default_.AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
  HRESULT STDMETHODCALLTYPE GetName(LPWSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetUIName(LPWSTR* name) override {
    *name = static_cast<LPWSTR>(CoTaskMemAlloc((name_.size() + 1) * sizeof(wchar_t)));
    wcscpy(*name, name_.c_str());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIconLocation(LPWSTR*, int*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsRecommended() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE MakeDefault(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(IDataObject*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateInvoker(IDataObject*, IAssocHandlerInvoker**) override { return E_NOTIMPL; }
  ULONG refs_ = 1;
  std::wstring name_;
  bool makes_default_;
  FakeUnknown make_default_;
};

class FakeEnum : public IEnumAssocHandlers {
 public:
  explicit FakeEnum(std::vector<FakeHandler*> handlers) : handlers_(std::move(handlers)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
  HRESULT STDMETHODCALLTYPE Next(ULONG, IAssocHandler** out, ULONG* fetched) override {
    if (next_ >= handlers_.size()) return (*out = nullptr), (*fetched = 0), S_FALSE;
    *out = handlers_[next_++];
    (*out)->AddRef();
    *fetched = 1;
    return S_OK;
  }
  ULONG refs_ = 1;
  size_t next_ = 0;
  std::vector<FakeHandler*> handlers_;
};

class FakeApi : public AssociationApi {
 public:
  HRESULT CreateRegistration(REFIID iid, void** object) override {
    ++created_;
    if (iid.Data1 != creatable_) return (*object = nullptr), E_NOINTERFACE;
    registration_.AddRef();
    *object = &registration_;
    return S_OK;
  }
  HRESULT EnumHandlersForProtocol(const wchar_t* protocol, IEnumAssocHandlers** handlers) override {
    ++lists_;
    if (std::wstring(protocol) == L"https" && empty_https_) {
      *handlers = new FakeEnum({});
    } else {
      *handlers = new FakeEnum({&first_});
    }
    return S_OK;
  }
  HRESULT EnumHandlersForExtension(const wchar_t*, IEnumAssocHandlers** handlers) override {
    ++lists_;
    *handlers = new FakeEnum({&first_});
    return S_OK;
  }
  unsigned long creatable_ = 0;
  bool empty_https_ = false;
  int created_ = 0, lists_ = 0;
  FakeUnknown registration_;
  FakeHandler first_{L"", true};
};

class ProbeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base::SetDiagLogHandler([this](std::string_view line) { diag_.emplace_back(line); });
  }
  void TearDown() override { base::SetDiagLogHandler(nullptr); }
  bool Logged(const std::string& text) const {
    for (const std::string& line : diag_)
      if (line.find(text) != std::string::npos) return true;
    return false;
  }
  std::vector<std::string> diag_;
};

TEST_F(ProbeTest, NoInterfaceMeansUnsupported) {
  FakeApi api;
  EXPECT_FALSE(CheckInternalInterface(api));
  EXPECT_EQ(api.created_, 5);
  EXPECT_TRUE(Logged("IApplicationAssociationRegistrationInternal creation is failed, hr=0x80004002, guid= 229D59E2"));
  EXPECT_TRUE(Logged("Unsupported Win10 version="));
}

TEST_F(ProbeTest, OldGenerationNeedsNoHandlerLists) {
  FakeApi api;
  api.creatable_ = 0x1C5C9D10;
  EXPECT_TRUE(CheckInternalInterface(api));
  EXPECT_EQ(api.lists_, 0);
  EXPECT_TRUE(Logged("IApplicationAssociationRegistrationInternal creation is succeeded by 1C5C9D10"));
}

TEST_F(ProbeTest, NewGenerationWalksAllFourLists) {
  FakeApi api;
  api.creatable_ = 0x2A848E25;
  EXPECT_TRUE(CheckInternalInterface(api));  // the first handler's empty UI name is taken when probing
  EXPECT_EQ(api.lists_, 4);
  EXPECT_EQ(api.registration_.refs_, 1u);
}

TEST_F(ProbeTest, EmptyHandlerListFails) {
  FakeApi api;
  api.creatable_ = 0xFC0BE3A5;
  api.empty_https_ = true;
  EXPECT_FALSE(CheckInternalInterface(api));
  EXPECT_TRUE(Logged("IEnumAssocHandlers::Next error, hr=0x00000001, failed to find "));
  EXPECT_EQ(api.lists_, 2);
}

TEST_F(ProbeTest, NamedHandlerIsSearchedForAndMadeDefault) {
  FakeHandler other(L"Other", true), wanted(L"Vorlex", false);
  FakeEnum list({&other, &wanted});
  EXPECT_FALSE(FindAndMakeDefaultHandler(&list, L"Vorlex", false));
  EXPECT_TRUE(Logged("QueryInterface(IAssocHandlerMakeDefault) error, hr=0x80004002"));
  EXPECT_EQ(other.refs_, 1u);  // skipped handlers are released
}

// As on the Windows builds that have the internal interfaces, the registration object comes
// from COM: here Wine's real application association class.
class ComBackedApi : public FakeApi {
 public:
  HRESULT CreateRegistration(REFIID iid, void** object) override {
    *object = nullptr;
    if (iid.Data1 != 0x1C5C9D10) return E_NOINTERFACE;
    const CLSID kApplicationAssociationRegistration = {
        0x591209C7, 0x767B, 0x42B2, {0x9F, 0xBA, 0x44, 0xEE, 0x46, 0x15, 0xF2, 0xC7}};
    last_hr_ = CoCreateInstance(kApplicationAssociationRegistration, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object);
    return last_hr_;
  }
  HRESULT last_hr_ = S_OK;
};

TEST_F(ProbeTest, ProbeProcessGetsAnApartmentOfItsOwn) {
  // A fresh thread, as the probe's main thread: nobody has initialised COM on it.
  std::thread probe([&] {
    ComBackedApi api;
    EXPECT_FALSE(CheckInternalInterface(api));
    EXPECT_EQ(api.last_hr_, CO_E_NOTINITIALIZED);
    EXPECT_TRUE(CheckInternalInterfaceInApartment(api));
    EXPECT_EQ(api.last_hr_, S_OK);
    // The apartment is gone again afterwards.
    EXPECT_FALSE(CheckInternalInterface(api));
    EXPECT_EQ(api.last_hr_, CO_E_NOTINITIALIZED);
  });
  probe.join();
}

}  // namespace
}  // namespace shell
