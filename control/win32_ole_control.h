// A small base for one windowed, scriptable OLE control: the interfaces a
// control container needs to site, activate, size, draw, persist and script
// the control, and a child window of the container's that the derived class
// fills. It is what the control needs and no more: one window, no
// windowless activation, no properties, no events fired (an empty event
// interface that sinks may connect to), persistence of a version only.
//
// Scripting: IDispatch answers from the module's type library. Names and
// calls of the library's methods go to ITypeInfo::Invoke on the derived
// class's vtable interface (which checks the argument count and converts or
// refuses each argument); members outside the library, reachable by name
// only, are the derived class's through ExtraDispId and InvokeExtra.
//
// Threads: apartment model; every method and window message arrives on the
// thread that created the object.
#pragma once

#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include "control/win32_com_module.h"
#include "control/win32_connection_point.h"

namespace marlow {
namespace pelican {

struct OleControlTraits {
  CLSID classId;
  IID dispatchIid;  // the default dispatch interface in the type library
  IID methodsIid;   // its vtable twin that ITypeInfo::Invoke calls
  IID eventsIid;    // the default source interface
  CLSID propertyPage;
  DWORD miscStatus;
  WORD versionMajor;  // the persisted version
  WORD versionMinor;
};

class OleControl : public IDispatch,
                   public IOleObject,
                   public IOleInPlaceObject,
                   public IOleInPlaceActiveObject,
                   public IOleControl,
                   public IViewObject2,
                   public IPersistStreamInit,
                   public IPersistPropertyBag,
                   public IProvideClassInfo2,
                   public IConnectionPointContainer,
                   public ISpecifyPropertyPages,
                   public IObjectSafety {
 public:
  static constexpr char kWindowClass[] = "PelicanControlWindow";
  static constexpr DWORD kSafetyOptions =
      INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

  explicit OleControl(const OleControlTraits& traits);
  virtual ~OleControl();
  OleControl(const OleControl&) = delete;
  OleControl& operator=(const OleControl&) = delete;

  HWND Window() const { return window_; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                             DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override;
  STDMETHODIMP GetClientSite(IOleClientSite** site) override;
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP Close(DWORD saveOption) override;
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override;
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject** out) override;
  STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent,
                      LPCRECT rect) override;
  STDMETHODIMP EnumVerbs(IEnumOLEVERB** out) override;
  STDMETHODIMP Update() override { return S_OK; }
  STDMETHODIMP IsUpToDate() override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID* out) override;
  STDMETHODIMP GetUserType(DWORD form, LPOLESTR* out) override;
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** out) override;
  STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
  STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleWindow (for IOleInPlaceObject and IOleInPlaceActiveObject)
  STDMETHODIMP GetWindow(HWND* out) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  // IOleInPlaceObject
  STDMETHODIMP InPlaceDeactivate() override;
  STDMETHODIMP UIDeactivate() override;
  STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) override;
  STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }
  // IOleInPlaceActiveObject
  STDMETHODIMP TranslateAccelerator(LPMSG) override { return S_FALSE; }
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

  // IOleControl
  STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
  STDMETHODIMP OnMnemonic(MSG*) override { return E_NOTIMPL; }
  STDMETHODIMP OnAmbientPropertyChange(DISPID) override { return S_OK; }
  STDMETHODIMP FreezeEvents(BOOL) override { return S_OK; }

  // IViewObject2
  STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                    HDC targetDc, HDC drawDc, LPCRECTL bounds, LPCRECTL windowBounds,
                    BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR), ULONG_PTR contArg) override;
  STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override;

  // IPersist (for both persistence interfaces)
  STDMETHODIMP GetClassID(CLSID* out) override;
  // IPersistStreamInit
  STDMETHODIMP IsDirty() override { return S_FALSE; }
  STDMETHODIMP Load(LPSTREAM stream) override;
  STDMETHODIMP Save(LPSTREAM stream, BOOL clearDirty) override;
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
  STDMETHODIMP InitNew() override { return S_OK; }
  // IPersistPropertyBag
  STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
  STDMETHODIMP Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;

  // IProvideClassInfo2
  STDMETHODIMP GetClassInfo(ITypeInfo** out) override;
  STDMETHODIMP GetGUID(DWORD kind, GUID* out) override;

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override;
  STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** out) override;

  // ISpecifyPropertyPages
  STDMETHODIMP GetPages(CAUUID* pages) override;

  // IObjectSafety
  STDMETHODIMP GetInterfaceSafetyOptions(REFIID riid, DWORD* supported, DWORD* enabled) override;
  STDMETHODIMP SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled) override;

 protected:
  // The derived class's vtable interface for the type library's invoke.
  virtual IUnknown* MethodsInterface() = 0;
  // Members reachable by name only: their DISPID, or DISPID_UNKNOWN.
  virtual DISPID ExtraDispId(const wchar_t* name) {
    (void)name;
    return DISPID_UNKNOWN;
  }
  // Invokes such a member; DISP_E_MEMBERNOTFOUND for any other id.
  virtual HRESULT InvokeExtra(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                              UINT* argError);
  // Window messages: creation (0: creation fails), size, destruction.
  virtual bool OnCreate() { return true; }
  virtual void OnSize(int width, int height) {
    (void)width;
    (void)height;
  }
  virtual void OnDestroy() {}
  // Draws the control into bounds (the window's paint, or a host's
  // IViewObject::Draw, e.g. a design view).
  virtual void OnDraw(HDC dc, const RECT& bounds) = 0;
  // The properties verb: the property frame over the site's window.
  HRESULT ShowPropertyPages();
  // The window a modal box of the control is owned by.
  HWND OwnerWindow() const;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  HRESULT InPlaceActivate(LONG verb);
  bool CreateControlWindow(HWND parent, const RECT& position);
  bool ExposesInterface(REFIID riid);

  ObjectCount count_;
  OleControlTraits traits_;
  LONG references_ = 1;

  // Site and activation.
  IOleClientSite* clientSite_ = nullptr;
  IOleInPlaceSite* inPlaceSite_ = nullptr;
  IOleAdviseHolder* adviseHolder_ = nullptr;
  IAdviseSink* viewSink_ = nullptr;
  DWORD viewAspects_ = 0;
  DWORD viewFlags_ = 0;
  bool inPlaceActive_ = false;
  bool uiActive_ = false;
  HWND window_ = nullptr;
  SIZEL extent_ = {8467, 8467};  // HIMETRIC, 320 x 320 pixels at 96 dpi

  // Scripting.
  ITypeInfo* dispatchInfo_ = nullptr;
  ITypeInfo* methodsInfo_ = nullptr;
  EventConnectionPoint events_;
};

}  // namespace pelican
}  // namespace marlow
