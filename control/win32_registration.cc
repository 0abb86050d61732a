// DllRegisterServer and DllUnregisterServer: the type library from the
// module's own resource, the control class (ProgID, apartment model, misc
// status, toolbox bitmap, type library), the property page class, and the
// two safe-for component categories.
#include <comcat.h>
#include <objsafe.h>
#include <olectl.h>
#include <windows.h>

#include <string>

#include "control/pelican_resource.h"
#include "control/win32_com_module.h"
#include "control/win32_pelican_ctrl.h"
#include "control/win32_pelican_guids.h"

namespace marlow {
namespace pelican {

namespace {

constexpr wchar_t kControlProgId[] = L"PELICAN.PelicanCtrl.1";
constexpr wchar_t kPageProgId[] = L"PELICAN.PelicanPropPage.1";
constexpr LCID kCategoryLocale = 0x409;

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40];
  StringFromGUID2(guid, text, 40);
  return text;
}

std::wstring ResourceText(UINT id) {
  wchar_t text[256] = L"";
  LoadStringW(ModuleInstance(), id, text, 256);
  return text;
}

// Writes HKEY_CLASSES_ROOT\key's value `name` (null: the default value).
bool SetText(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG r =
      RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return r == ERROR_SUCCESS;
}

bool DeleteTree(const std::wstring& key) {
  const LONG r = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
  if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) return false;
  if (r == ERROR_SUCCESS) RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
  return true;
}

bool RegisterInprocClass(REFCLSID clsid, const std::wstring& typeName, const wchar_t* progId,
                         const std::wstring& path) {
  const std::wstring key = L"CLSID\\" + GuidText(clsid);
  bool ok = SetText(key, nullptr, typeName);
  ok = ok && SetText(key + L"\\InprocServer32", nullptr, path);
  ok = ok && SetText(key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
  ok = ok && SetText(key + L"\\ProgID", nullptr, progId);
  ok = ok && SetText(progId, nullptr, typeName);
  ok = ok && SetText(std::wstring(progId) + L"\\CLSID", nullptr, GuidText(clsid));
  return ok;
}

bool RegisterControlClass(const std::wstring& path) {
  const std::wstring key = L"CLSID\\" + GuidText(kControlClsid);
  bool ok =
      RegisterInprocClass(kControlClsid, ResourceText(IDS_PELICAN_TYPE_NAME), kControlProgId, path);
  ok = ok && SetText(key + L"\\Control", nullptr, L"");
  ok = ok && SetText(key + L"\\ToolboxBitmap32", nullptr,
                     path + L", " + std::to_wstring(IDB_PELICAN_TOOLBOX));
  ok = ok && SetText(key + L"\\MiscStatus", nullptr, L"0");
  ok = ok && SetText(key + L"\\MiscStatus\\1", nullptr, std::to_wstring(kPelicanMiscStatus));
  ok = ok && SetText(key + L"\\TypeLib", nullptr, GuidText(kLibId));
  ok = ok && SetText(key + L"\\Version", nullptr,
                     std::to_wstring(kLibMajor) + L"." + std::to_wstring(kLibMinor));
  return ok;
}

// Creates the category if needed and registers the control in it; a
// category that cannot be created is skipped.
void RegisterCategory(ICatRegister* categories, REFCATID id, const wchar_t* description) {
  CATEGORYINFO info = {};
  info.catid = id;
  info.lcid = kCategoryLocale;
  lstrcpynW(info.szDescription, description, 128);
  if (FAILED(categories->RegisterCategories(1, &info))) return;
  CATID ids[1] = {id};
  categories->RegisterClassImplCategories(kControlClsid, 1, ids);
}

void RegisterCategories() {
  ICatRegister* categories = nullptr;
  if (FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ICatRegister, reinterpret_cast<void**>(&categories)))) {
    return;
  }
  RegisterCategory(categories, CATID_SafeForScripting, L"Controls that are safely scriptable");
  RegisterCategory(categories, CATID_SafeForInitializing,
                   L"Controls safely initializable from persistent data");
  categories->Release();
}

// COM for the length of one call, whatever the caller did before.
class ComScope {
 public:
  ComScope() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComScope() {
    if (initialised_) CoUninitialize();
  }

 private:
  bool initialised_;
};

}  // namespace

}  // namespace pelican
}  // namespace marlow

using namespace marlow::pelican;

STDAPI DllRegisterServer() {
  ComScope com;
  const std::wstring path = ModulePath();
  ITypeLib* lib = nullptr;
  if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib))) return SELFREG_E_TYPELIB;
  std::wstring file = path;
  std::wstring folder = path.substr(0, path.find_last_of(L"\\/"));
  const HRESULT registered = RegisterTypeLib(lib, &file[0], &folder[0]);
  lib->Release();
  if (FAILED(registered)) return SELFREG_E_TYPELIB;

  if (!RegisterControlClass(path)) return SELFREG_E_CLASS;
  RegisterCategories();
  if (!RegisterInprocClass(kPropPageClsid, ResourceText(IDS_PELICAN_PAGE_TYPE_NAME), kPageProgId,
                           path)) {
    return SELFREG_E_CLASS;
  }
  return S_OK;
}

STDAPI DllUnregisterServer() {
  ComScope com;
  const HRESULT lib = UnRegisterTypeLib(kLibId, kLibMajor, kLibMinor, 0x409, SYS_WIN64);
  // The class keys go with everything under them (their category entries
  // too); the categories themselves stay for other controls.
  bool ok = DeleteTree(L"CLSID\\" + GuidText(kControlClsid));
  ok = DeleteTree(kControlProgId) && ok;
  ok = DeleteTree(L"CLSID\\" + GuidText(kPropPageClsid)) && ok;
  ok = DeleteTree(kPageProgId) && ok;
  if (FAILED(lib)) return SELFREG_E_TYPELIB;
  return ok ? S_OK : SELFREG_E_CLASS;
}
