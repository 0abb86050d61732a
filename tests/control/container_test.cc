// The control in a real container: Wine's ATL container window (AtlAxWin)
// sites, activates and sizes it; the tests connect it to recorder stand-ins
// on 127.0.0.1 and look at its pixels and at what the recorders received.
// Also the control's other faces without a window: safety options,
// persistence, class information, drawing for a design view, property page.
#include <gtest/gtest.h>
#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <memory>
#include <string>

#include "control/win32_pelican_guids.h"
#include "tests/control/pelican_host.h"
#include "tests/control/pelican_test_util.h"
#include "tools/recorder_standin/recorder_standin.h"

using namespace pelican_test;
using namespace marlow::pelican;

namespace {

constexpr char kPassword[] = "735919";

std::unique_ptr<marlow::RecorderStandin> StartRecorder() {
  marlow::RecorderStandinOptions options;
  options.password = kPassword;
  options.lifetimeMs = 90000;
  auto r = std::make_unique<marlow::RecorderStandin>(options);
  if (!r->Listen(0) || r->Start() != 1) return nullptr;
  return r;
}

class Container : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Regsvr32(false), 0);
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  }
  void TearDown() override { OleUninitialize(); }
};

}  // namespace

TEST_F(Container, LivePicturesFillTheWindowKeysReachTheRecorderAndClosingLogsOut) {
  auto recorder = StartRecorder();
  ASSERT_NE(recorder, nullptr);
  auto host = std::make_unique<Hosted>(640, 272);
  ASSERT_NE(host->Control(), nullptr);
  HWND control = host->ControlWindow();
  HWND display = host->Display();
  ASSERT_NE(control, nullptr);
  ASSERT_NE(display, nullptr);
  RECT r;
  GetClientRect(display, &r);
  EXPECT_EQ(r.right, 640);
  EXPECT_EQ(r.bottom, 272);
  Pump(200);
  const Grab logo = GrabWindow(display);
  SaveGrab(logo, "pelican_logo");
  EXPECT_FALSE(ShowsCamera(logo));

  ASSERT_EQ(host->Connect(recorder->Port()), S_OK);
  EXPECT_TRUE(PumpUntil([&] { return ShowsCamera(GrabWindow(display)); }, 8000));
  const Grab live = GrabWindow(display);
  SaveGrab(live, "pelican_live");
  EXPECT_TRUE(ShowsCamera(live));
  EXPECT_EQ(recorder->Snapshot().goodDigests, 1);

  // Channel 2: the recorder switches cameras (tint of camera 2, more red).
  ASSERT_EQ(CallByName(host->Control(), L"SendKeyCommand", {Long(2)}), S_OK);
  EXPECT_TRUE(PumpUntil([&] { return recorder->Snapshot().keys.size() == 1; }, 3000));
  EXPECT_EQ(recorder->Snapshot().keys.at(0), 2);
  EXPECT_EQ(recorder->Snapshot().camera, 1);

  // Resizing the container moves the display with the control's window.
  host->Resize(480, 204);
  Pump(300);
  GetClientRect(display, &r);
  EXPECT_EQ(r.right, 480);
  EXPECT_EQ(r.bottom, 204);
  GetClientRect(control, &r);
  EXPECT_EQ(r.right, 480);
  Pump(500);
  SaveGrab(GrabWindow(display), "pelican_resized");

  // Destroying the window logs out exactly once.
  host->DestroyHost();
  Pump(300);
  EXPECT_TRUE(PumpUntil([&] { return recorder->Snapshot().logouts >= 1; }, 3000));
  Pump(500);
  EXPECT_EQ(recorder->Snapshot().logouts, 1);
  EXPECT_EQ(recorder->Snapshot().sessions, 1);
  host.reset();
  recorder->Stop();
}

TEST_F(Container, ConnectWhileLoggedInLogsOutAndLogsInToTheSecondRecorder) {
  auto first = StartRecorder();
  auto second = StartRecorder();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  Hosted host(320, 136);
  ASSERT_NE(host.Control(), nullptr);
  ASSERT_EQ(host.Connect(first->Port()), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return first->Snapshot().pictures > 5; }, 8000));
  // Another account text changes nothing: it is not used.
  ASSERT_EQ(host.Connect(second->Port(), L"somebody else"), S_OK);
  EXPECT_TRUE(PumpUntil([&] { return second->Snapshot().pictures > 5; }, 8000));
  EXPECT_EQ(first->Snapshot().logouts, 1);
  EXPECT_EQ(first->Snapshot().sessions, 1);
  EXPECT_EQ(second->Snapshot().goodDigests, 1);
  EXPECT_TRUE(PumpUntil([&] { return ShowsCamera(GrabWindow(host.Display())); }, 5000));
  ASSERT_EQ(CallByName(host.Control(), L"Disconnect", {}), S_OK);
  EXPECT_EQ(second->Snapshot().logouts, 1);
}

TEST_F(Container, ConnectAfterAFailedLoginTakesEffect) {
  marlow::RecorderStandinOptions options;
  options.password = "not this one";
  marlow::RecorderStandin refusing(options);
  ASSERT_TRUE(refusing.Listen(0));
  ASSERT_EQ(refusing.Start(), 1);
  auto good = StartRecorder();
  ASSERT_NE(good, nullptr);
  Hosted host(320, 136);
  ASSERT_EQ(host.Connect(refusing.Port()), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return refusing.Snapshot().loginRequests >= 1; }, 5000));
  Pump(300);
  // The page retries with another recorder without calling Disconnect.
  ASSERT_EQ(host.Connect(good->Port()), S_OK);
  EXPECT_TRUE(PumpUntil([&] { return good->Snapshot().pictures > 3; }, 8000));
  refusing.Stop();
}

TEST_F(Container, AboutBoxShowsItsTextsAndCloses) {
  Hosted host(320, 136);
  ASSERT_NE(host.Control(), nullptr);
  static std::string version;
  static bool found = false;
  SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = FindWindowA(nullptr, "About Pelican Control");
    if (box == nullptr) return;
    char text[128] = "";
    GetDlgItemTextA(box, 101, text, sizeof text);
    version = text;
    found = true;
    KillTimer(nullptr, id);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(CallByName(host.Control(), L"AboutBox", {}), S_OK);  // returns once closed
  EXPECT_TRUE(found);
  EXPECT_EQ(version, "Pelican Control, Version 2.5.1.0");
}

TEST_F(Container, SafetyPersistenceClassInfoDrawingAndPropertyPage) {
  IUnknown* control = nullptr;
  ASSERT_EQ(CoCreateInstance(kControlClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&control)),
            S_OK);
  IObjectSafety* safety = nullptr;
  ASSERT_EQ(control->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)), S_OK);
  DWORD supported = 0, enabled = 0;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(supported, 3u);
  EXPECT_EQ(enabled, 3u);
  supported = enabled = 0;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IPersistStorage, &supported, &enabled),
            E_NOINTERFACE);
  EXPECT_EQ(supported, 3u);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 3, 3), S_OK);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IPersistPropertyBag, 2, 3), S_OK);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 3, 1), E_FAIL);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 4, 4), E_FAIL);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IPersistStorage, 1, 1), E_NOINTERFACE);
  safety->Release();

  // Persistence: the version (1.0) and nothing else.
  IPersistStreamInit* persist = nullptr;
  ASSERT_EQ(control->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist)),
            S_OK);
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  EXPECT_EQ(persist->InitNew(), S_OK);
  EXPECT_EQ(persist->Save(stream, TRUE), S_OK);
  STATSTG stat = {};
  stream->Stat(&stat, STATFLAG_NONAME);
  EXPECT_EQ(stat.cbSize.QuadPart, 4u);
  LARGE_INTEGER zero = {};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  DWORD version = 0;
  stream->Read(&version, 4, nullptr);
  EXPECT_EQ(version, 0x00010000u);
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  EXPECT_EQ(persist->Load(stream), S_OK);
  stream->Release();
  persist->Release();

  IProvideClassInfo2* info = nullptr;
  ASSERT_EQ(control->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&info)), S_OK);
  GUID events = GUID_NULL;
  EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
  EXPECT_TRUE(IsEqualGUID(events, kEventsIid));
  ITypeInfo* coclass = nullptr;
  EXPECT_EQ(info->GetClassInfo(&coclass), S_OK);
  if (coclass != nullptr) coclass->Release();
  info->Release();

  IConnectionPointContainer* points = nullptr;
  ASSERT_EQ(
      control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&points)),
      S_OK);
  IConnectionPoint* point = nullptr;
  EXPECT_EQ(points->FindConnectionPoint(kEventsIid, &point), S_OK);
  if (point != nullptr) point->Release();
  points->Release();

  ISpecifyPropertyPages* pages = nullptr;
  ASSERT_EQ(control->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&pages)),
            S_OK);
  CAUUID uuids = {};
  EXPECT_EQ(pages->GetPages(&uuids), S_OK);
  ASSERT_EQ(uuids.cElems, 1u);
  EXPECT_TRUE(IsEqualGUID(uuids.pElems[0], kPropPageClsid));
  CoTaskMemFree(uuids.pElems);
  pages->Release();

  // Design view: white with an inscribed ellipse.
  IViewObject2* view = nullptr;
  ASSERT_EQ(control->QueryInterface(IID_IViewObject2, reinterpret_cast<void**>(&view)), S_OK);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 100);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECTL bounds = {0, 0, 200, 100};
  EXPECT_EQ(
      view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0),
      S_OK);
  EXPECT_EQ(GetPixel(dc, 100, 50), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 2, 2), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 0, 50), RGB(0, 0, 0));  // the ellipse's left end
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  view->Release();
  control->Release();

  IPropertyPage* page = nullptr;
  ASSERT_EQ(CoCreateInstance(kPropPageClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                             reinterpret_cast<void**>(&page)),
            S_OK);
  PROPPAGEINFO pageInfo = {};
  EXPECT_EQ(page->GetPageInfo(&pageInfo), S_OK);
  EXPECT_STREQ(pageInfo.pszTitle, L"General");
  EXPECT_GT(pageInfo.size.cx, 0);
  CoTaskMemFree(pageInfo.pszTitle);
  page->Release();

  // Everything released: the module may go.
  using CanUnload = HRESULT(WINAPI*)();
  auto canUnload = reinterpret_cast<CanUnload>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("Pelican.ocx"), "DllCanUnloadNow")));
  ASSERT_NE(canUnload, nullptr);
  EXPECT_EQ(canUnload(), S_OK);
}

TEST_F(Container, PropertiesVerbShowsTheGeneralPage) {
  Hosted host(320, 136);
  ASSERT_NE(host.Control(), nullptr);
  IOleObject* object = nullptr;
  ASSERT_EQ(host.Control()->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object)),
            S_OK);
  static bool pageSeen = false;
  SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
    // The frame is a top-level window of this thread holding the page's text.
    struct Found {
      HWND frame = nullptr;
    } found;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND top, LPARAM p) -> BOOL {
          HWND text = nullptr;
          EnumChildWindows(
              top,
              [](HWND child, LPARAM q) -> BOOL {
                char buffer[128] = "";
                GetWindowTextA(child, buffer, sizeof buffer);
                if (std::string(buffer).rfind("TODO: Place controls", 0) == 0) {
                  *reinterpret_cast<HWND*>(q) = child;
                  return FALSE;
                }
                return TRUE;
              },
              reinterpret_cast<LPARAM>(&text));
          if (text == nullptr) return TRUE;
          reinterpret_cast<Found*>(p)->frame = top;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    if (found.frame == nullptr) return;
    pageSeen = true;
    KillTimer(nullptr, id);
    PostMessageA(found.frame, WM_COMMAND, IDCANCEL, 0);
  });
  RECT r = {0, 0, 320, 136};
  EXPECT_EQ(object->DoVerb(OLEIVERB_PROPERTIES, nullptr, nullptr, 0, host.Ax(), &r), S_OK);
  EXPECT_TRUE(pageSeen);
  object->Release();
}
