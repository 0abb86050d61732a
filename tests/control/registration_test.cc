// regsvr32 registers Pelican.ocx as a host finds it: class, in-process
// server in the apartment model, ProgID, misc status, type library, both
// safe-for categories and the property page; /u takes it all away again
// and leaves the categories.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "control/win32_pelican_guids.h"
#include "tests/control/pelican_test_util.h"

using namespace pelican_test;
using namespace marlow::pelican;

namespace {

std::wstring GuidText(REFGUID g) {
  wchar_t t[40];
  StringFromGUID2(g, t, 40);
  return t;
}

bool KeyExists(const std::wstring& key) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(h);
  return true;
}

// The text of a value (null name: the default); "<missing>" when absent.
std::wstring Value(const std::wstring& key, const wchar_t* name = nullptr) {
  wchar_t text[1024];
  DWORD bytes = sizeof(text);
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &bytes) !=
      ERROR_SUCCESS) {
    return L"<missing>";
  }
  return text;
}

const std::wstring kControlKey = L"CLSID\\" + GuidText(kControlClsid);
const std::wstring kPageKey = L"CLSID\\" + GuidText(kPropPageClsid);
const std::wstring kScripting = L"{7DD95801-9882-11CF-9FA9-00AA006C42C4}";
const std::wstring kInitializing = L"{7DD95802-9882-11CF-9FA9-00AA006C42C4}";

}  // namespace

TEST(Registration, Regsvr32WritesEveryEntryAndUnregisterRemovesThem) {
  ASSERT_EQ(Regsvr32(false), 0);

  EXPECT_EQ(Value(kControlKey), L"Pelican Control");
  EXPECT_EQ(_wcsicmp(Value(kControlKey + L"\\InprocServer32").c_str(), OcxPath().c_str()), 0);
  EXPECT_EQ(Value(kControlKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(Value(kControlKey + L"\\ProgID"), L"PELICAN.PelicanCtrl.1");
  EXPECT_EQ(Value(L"PELICAN.PelicanCtrl.1\\CLSID"), GuidText(kControlClsid));
  EXPECT_EQ(Value(kControlKey + L"\\MiscStatus\\1"), L"131473");  // 0x20191
  EXPECT_EQ(Value(kControlKey + L"\\TypeLib"), GuidText(kLibId));
  EXPECT_EQ(Value(kControlKey + L"\\Version"), L"1.0");
  EXPECT_TRUE(KeyExists(kControlKey + L"\\Control"));
  EXPECT_FALSE(KeyExists(kControlKey + L"\\Insertable"));
  EXPECT_NE(Value(kControlKey + L"\\ToolboxBitmap32").find(L", 1"), std::wstring::npos);
  EXPECT_TRUE(KeyExists(kControlKey + L"\\Implemented Categories\\" + kScripting));
  EXPECT_TRUE(KeyExists(kControlKey + L"\\Implemented Categories\\" + kInitializing));
  EXPECT_EQ(Value(L"Component Categories\\" + kScripting, L"409"),
            L"Controls that are safely scriptable");
  EXPECT_EQ(Value(L"Component Categories\\" + kInitializing, L"409"),
            L"Controls safely initializable from persistent data");

  EXPECT_EQ(Value(kPageKey), L"Pelican Property Page");
  EXPECT_EQ(Value(kPageKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(Value(kPageKey + L"\\ProgID"), L"PELICAN.PelicanPropPage.1");

  // The type library is registered from the module's own resource.
  const std::wstring lib = L"TypeLib\\" + GuidText(kLibId) + L"\\1.0";
  EXPECT_EQ(Value(lib), L"Pelican ActiveX Control module");
  ITypeLib* loaded = nullptr;
  ASSERT_EQ(LoadRegTypeLib(kLibId, 1, 0, 0x409, &loaded), S_OK);
  ITypeInfo* info = nullptr;
  EXPECT_EQ(loaded->GetTypeInfoOfGuid(kDispatchIid, &info), S_OK);
  if (info != nullptr) info->Release();
  loaded->Release();

  ASSERT_EQ(Regsvr32(true), 0);
  EXPECT_FALSE(KeyExists(kControlKey));
  EXPECT_FALSE(KeyExists(kPageKey));
  EXPECT_FALSE(KeyExists(L"PELICAN.PelicanCtrl.1"));
  EXPECT_FALSE(KeyExists(L"PELICAN.PelicanPropPage.1"));
  EXPECT_FALSE(KeyExists(lib));
  EXPECT_TRUE(KeyExists(L"Component Categories\\" + kScripting));
  EXPECT_TRUE(KeyExists(L"Component Categories\\" + kInitializing));
  // Nothing left to unregister: the type library step reports it.
  EXPECT_NE(Regsvr32(true), 0);
  ASSERT_EQ(Regsvr32(false), 0);  // leave it registered for the other tests
}
