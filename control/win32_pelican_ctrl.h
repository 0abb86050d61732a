// CPelicanCtrl: the browser control. It holds one engine host (display,
// sound output and playback engine) for its whole life, puts the engine's
// display into its window when a container activates it, and maps its
// scripting methods onto the engine's live side: connect directly or
// through the dynamic-address service, disconnect, send a recorder key,
// change the display mode. It has no properties and fires no events.
#pragma once

#include <windows.h>

#include <string>

#include "control/win32_ole_control.h"
#include "engine/win32_engine_host.h"

namespace marlow {
namespace pelican {

// The vtable interface of the type library's IPelicanMethods, in its order.
struct IPelicanMethods : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Connect(BSTR serverIp, LONG serverPort, BSTR account,
                                            BSTR password) = 0;
  virtual HRESULT STDMETHODCALLTYPE ConnectViaDDns(BSTR ddnsIp, LONG ddnsPort, BSTR dvrName,
                                                   BSTR password) = 0;
  virtual HRESULT STDMETHODCALLTYPE Disconnect() = 0;
  virtual HRESULT STDMETHODCALLTYPE SendKeyCommand(SHORT keyCode) = 0;
  virtual HRESULT STDMETHODCALLTYPE AboutBox() = 0;
};

// Dispatch identifiers of the scripting methods.
enum : DISPID {
  kDispConnect = 1,
  kDispConnectViaDDns = 2,
  kDispDisconnect = 3,
  kDispSendKeyCommand = 4,
  kDispChangeMode = 5,  // by name only: not in the type library
};

// OLEMISC_RECOMPOSEONRESIZE | CANTLINKINSIDE | INSIDEOUT |
// ACTIVATEWHENVISIBLE | SETCLIENTSITEFIRST
constexpr DWORD kPelicanMiscStatus = 0x20191;
constexpr int kPelicanChannelCount = 8;
constexpr int kPelicanVariant = 4;

class CPelicanCtrl final : public OleControl, public IPelicanMethods {
 public:
  CPelicanCtrl();
  ~CPelicanCtrl() override;

  // IUnknown, for both bases.
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    return OleControl::QueryInterface(riid, out);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return OleControl::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return OleControl::Release(); }

  // IPelicanMethods
  STDMETHODIMP Connect(BSTR serverIp, LONG serverPort, BSTR account, BSTR password) override;
  STDMETHODIMP ConnectViaDDns(BSTR ddnsIp, LONG ddnsPort, BSTR dvrName, BSTR password) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP SendKeyCommand(SHORT keyCode) override;
  STDMETHODIMP AboutBox() override;
  // By name only. Always true, whatever the engine made of it.
  bool ChangeMode(LONG mode, LONG variant, LONG channelCount);

  EngineHost& Host() { return host_; }

 protected:
  IUnknown* MethodsInterface() override { return static_cast<IPelicanMethods*>(this); }
  DISPID ExtraDispId(const wchar_t* name) override;
  HRESULT InvokeExtra(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                      UINT* argError) override;
  bool OnCreate() override;
  void OnSize(int width, int height) override;
  void OnDestroy() override;
  void OnDraw(HDC dc, const RECT& bounds) override;

 private:
  static OleControlTraits Traits();

  // User-interface thread (the control is apartment-threaded).
  EngineHost host_;
  // The last connect's settings, as given to the engine.
  bool useDdns_ = false;
  std::string serverIp_ = "192.168.10.218";
  long serverPort_ = 8841;
  std::string ddnsIp_;
  long ddnsPort_ = 8880;
  std::string dvrName_;
  std::string password_ = "735919";
};

}  // namespace pelican
}  // namespace marlow
