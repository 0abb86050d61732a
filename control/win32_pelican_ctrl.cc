#include "control/win32_pelican_ctrl.h"

#include "control/pelican_resource.h"
#include "control/win32_pelican_guids.h"
#include "control/win32_script_text.h"

namespace marlow {
namespace pelican {

namespace {

// Child window id of the engine's display inside the control's window.
constexpr int kDisplayControlId = 100;

bool PortInRange(long port) {
  return port > 0 && port <= 65535;
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

OleControlTraits CPelicanCtrl::Traits() {
  OleControlTraits t;
  t.classId = kControlClsid;
  t.dispatchIid = kDispatchIid;
  t.methodsIid = kMethodsIid;
  t.eventsIid = kEventsIid;
  t.propertyPage = kPropPageClsid;
  t.miscStatus = kPelicanMiscStatus;
  t.versionMajor = 1;
  t.versionMinor = 0;
  return t;
}

// The host's constructor makes the engine, whose network client starts the
// socket library.
CPelicanCtrl::CPelicanCtrl() : OleControl(Traits()) {}

CPelicanCtrl::~CPelicanCtrl() {
  // The window's destruction needs this object whole (it disconnects).
  if (Window() != nullptr) DestroyWindow(Window());
}

// --- Scripting methods ----------------------------------------------------------

STDMETHODIMP CPelicanCtrl::Connect(BSTR serverIp, LONG serverPort, BSTR, BSTR password) {
  // The account is not used: the recorder knows one password.
  std::string address, secret;
  if (!CopyScriptText(serverIp, kMaxScriptText, &address) ||
      !CopyScriptText(password, kMaxScriptText, &secret) || !PortInRange(serverPort)) {
    return S_OK;  // nothing a recorder could be reached with; no effect
  }
  PlaybackEngine& engine = host_.Engine();
  if (engine.Client().IsLoggedIn()) engine.Disconnect();
  useDdns_ = false;
  serverIp_ = address;
  serverPort_ = serverPort;
  password_ = secret;
  engine.Connect(serverIp_.c_str(), static_cast<uint16_t>(serverPort_), " ", password_.c_str());
  return S_OK;
}

STDMETHODIMP CPelicanCtrl::ConnectViaDDns(BSTR ddnsIp, LONG ddnsPort, BSTR dvrName, BSTR password) {
  std::string server, name, secret;
  if (!CopyScriptText(ddnsIp, kMaxScriptText, &server) ||
      !CopyScriptText(dvrName, kMaxScriptText, &name) ||
      !CopyScriptText(password, kMaxScriptText, &secret) || !PortInRange(ddnsPort)) {
    return S_OK;
  }
  useDdns_ = true;
  ddnsIp_ = server;
  ddnsPort_ = ddnsPort;
  dvrName_ = name;
  password_ = secret;
  host_.Engine().ConnectViaDDns(ddnsIp_.c_str(), static_cast<uint16_t>(ddnsPort_), dvrName_.c_str(),
                                password_.c_str());
  return S_OK;
}

STDMETHODIMP CPelicanCtrl::Disconnect() {
  host_.Engine().Disconnect();
  return S_OK;
}

STDMETHODIMP CPelicanCtrl::SendKeyCommand(SHORT keyCode) {
  // Not logged in: nothing is sent; the result is not the host's concern.
  host_.Engine().Client().SendKey(static_cast<uint16_t>(keyCode));
  return S_OK;
}

STDMETHODIMP CPelicanCtrl::AboutBox() {
  DialogBoxParamA(ModuleInstance(), MAKEINTRESOURCEA(IDD_PELICAN_ABOUT), OwnerWindow(), &AboutProc,
                  0);
  return S_OK;
}

bool CPelicanCtrl::ChangeMode(LONG mode, LONG variant, LONG channelCount) {
  host_.Engine().SwitchMode(mode, variant, channelCount);
  return true;
}

DISPID CPelicanCtrl::ExtraDispId(const wchar_t* name) {
  return _wcsicmp(name, L"ChangeMode") == 0 ? static_cast<DISPID>(kDispChangeMode) : DISPID_UNKNOWN;
}

HRESULT CPelicanCtrl::InvokeExtra(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                                  UINT* argError) {
  if (id != kDispChangeMode) return DISP_E_MEMBERNOTFOUND;
  if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) return DISP_E_MEMBERNOTFOUND;
  if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  if (params->cArgs != 3 || params->rgvarg == nullptr) return DISP_E_BADPARAMCOUNT;
  // Arguments arrive last first; each must become a 32-bit integer.
  LONG values[3];
  for (UINT i = 0; i < 3; ++i) {
    const UINT slot = 2 - i;
    VARIANT converted;
    VariantInit(&converted);
    const HRESULT hr = VariantChangeType(&converted, &params->rgvarg[slot], 0, VT_I4);
    if (FAILED(hr)) {
      if (argError != nullptr) *argError = slot;
      return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
    }
    values[i] = V_I4(&converted);
  }
  const bool answer = ChangeMode(values[0], values[1], values[2]);
  if (result != nullptr) {
    VariantInit(result);
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = answer ? VARIANT_TRUE : VARIANT_FALSE;
  }
  return S_OK;
}

// --- Window -------------------------------------------------------------------------

bool CPelicanCtrl::OnCreate() {
  RECT client;
  GetClientRect(Window(), &client);
  if (!host_.Initialize(Window(), 0, 0, client.right, client.bottom, kDisplayControlId,
                        kPelicanVariant, kPelicanChannelCount, ModuleInstance())) {
    return false;
  }
  // Live mode, keeping the variant and the channel count.
  host_.Engine().SwitchMode(kModeLive, -1, -1);
  host_.Display().LoadLogo(IDB_PELICAN_LOGO);
  host_.Display().Redraw();
  return true;
}

void CPelicanCtrl::OnSize(int width, int height) {
  HWND display = host_.Display().Window();
  if (display != nullptr) {
    SetWindowPos(display, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void CPelicanCtrl::OnDestroy() {
  // Logged in: the recorder hears a logout. In any case no live thread may
  // outlive the window it draws into and posts to.
  if (host_.Engine().Client().IsLoggedIn()) host_.Engine().Disconnect();
  host_.Shutdown();
}

void CPelicanCtrl::OnDraw(HDC dc, const RECT& bounds) {
  // Seen only where the display does not cover the control (a design view).
  FillRect(dc, &bounds, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Ellipse(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
  SelectObject(dc, oldBrush);
}

}  // namespace pelican
}  // namespace marlow
