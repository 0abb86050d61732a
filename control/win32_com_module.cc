#include "control/win32_com_module.h"

#include <atomic>
#include <mutex>

#include "control/win32_pelican_ctrl.h"
#include "control/win32_pelican_guids.h"
#include "control/win32_pelican_prop_page.h"
#include "display/win32_video_display.h"

namespace marlow {
namespace pelican {

namespace {

HINSTANCE g_instance = nullptr;
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};
std::mutex g_typeLibLock;
ITypeLib* g_typeLib = nullptr;

// One class factory per creatable class; static, so its references are not
// counted (a lock through LockServer is what keeps the module loaded).
template <class T>
class ClassFactory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    T* object = new (std::nothrow) T();
    if (object == nullptr) return E_OUTOFMEMORY;
    // The object starts with one reference; the query takes the caller's.
    const HRESULT hr = object->QueryInterface(riid, out);
    object->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    LockModule(lock != FALSE);
    return S_OK;
  }
};

ClassFactory<CPelicanCtrl> g_controlFactory;
ClassFactory<CPelicanPropPage> g_pageFactory;

}  // namespace

HINSTANCE ModuleInstance() {
  return g_instance;
}

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(g_instance, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return std::wstring();
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void ObjectCreated() {
  ++g_objects;
}
void ObjectDestroyed() {
  --g_objects;
}
void LockModule(bool lock) {
  if (lock) {
    ++g_locks;
  } else {
    --g_locks;
  }
}
bool ModuleIdle() {
  return g_objects.load() == 0 && g_locks.load() == 0;
}

HRESULT TypeLibrary(ITypeLib** out) {
  if (out == nullptr) return E_POINTER;
  std::lock_guard<std::mutex> hold(g_typeLibLock);
  if (g_typeLib == nullptr) {
    const HRESULT hr = LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, &g_typeLib);
    if (FAILED(hr)) {
      g_typeLib = nullptr;
      *out = nullptr;
      return hr;
    }
  }
  g_typeLib->AddRef();
  *out = g_typeLib;
  return S_OK;
}

HRESULT TypeInfoOf(REFGUID guid, ITypeInfo** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  ITypeLib* lib = nullptr;
  HRESULT hr = TypeLibrary(&lib);
  if (FAILED(hr)) return hr;
  hr = lib->GetTypeInfoOfGuid(guid, out);
  lib->Release();
  return hr;
}

void ReleaseTypeLibrary() {
  std::lock_guard<std::mutex> hold(g_typeLibLock);
  if (g_typeLib != nullptr) g_typeLib->Release();
  g_typeLib = nullptr;
}

void UnregisterModuleWindowClasses() {
  UnregisterClassA(CPelicanCtrl::kWindowClass, g_instance);
  UnregisterClassA(kVideoDisplayClass, g_instance);
}

}  // namespace pelican
}  // namespace marlow

using namespace marlow::pelican;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_instance = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllCanUnloadNow() {
  if (!ModuleIdle()) return S_FALSE;
  ReleaseTypeLibrary();
  UnregisterModuleWindowClasses();
  return S_OK;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (IsEqualCLSID(clsid, kControlClsid)) return g_controlFactory.QueryInterface(riid, out);
  if (IsEqualCLSID(clsid, kPropPageClsid)) return g_pageFactory.QueryInterface(riid, out);
  return CLASS_E_CLASSNOTAVAILABLE;
}
