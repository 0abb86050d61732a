// OleControl: identity, scripting, the OLE object and its in-place
// activation with the control's window.
#include "control/win32_ole_control.h"

namespace marlow {
namespace pelican {

namespace {

template <class T>
void ReleaseAndClear(T*& p) {
  if (p != nullptr) p->Release();
  p = nullptr;
}

}  // namespace

OleControl::OleControl(const OleControlTraits& traits)
    : traits_(traits), events_(this, traits.eventsIid) {}

OleControl::~OleControl() {
  if (window_ != nullptr) DestroyWindow(window_);
  ReleaseAndClear(inPlaceSite_);
  ReleaseAndClear(clientSite_);
  ReleaseAndClear(adviseHolder_);
  ReleaseAndClear(viewSink_);
  ReleaseAndClear(dispatchInfo_);
  ReleaseAndClear(methodsInfo_);
}

// --- IUnknown ---------------------------------------------------------------

STDMETHODIMP OleControl::QueryInterface(REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(riid, IID_IUnknown)) {
    *out = static_cast<IOleObject*>(this);
  } else if (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, traits_.dispatchIid)) {
    *out = static_cast<IDispatch*>(this);
  } else if (IsEqualIID(riid, traits_.methodsIid)) {
    *out = MethodsInterface();
  } else if (IsEqualIID(riid, IID_IOleObject)) {
    *out = static_cast<IOleObject*>(this);
  } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceObject)) {
    *out = static_cast<IOleInPlaceObject*>(this);
  } else if (IsEqualIID(riid, IID_IOleInPlaceActiveObject)) {
    *out = static_cast<IOleInPlaceActiveObject*>(this);
  } else if (IsEqualIID(riid, IID_IOleControl)) {
    *out = static_cast<IOleControl*>(this);
  } else if (IsEqualIID(riid, IID_IViewObject) || IsEqualIID(riid, IID_IViewObject2)) {
    *out = static_cast<IViewObject2*>(this);
  } else if (IsEqualIID(riid, IID_IPersist) || IsEqualIID(riid, IID_IPersistStreamInit)) {
    *out = static_cast<IPersistStreamInit*>(this);
  } else if (IsEqualIID(riid, IID_IPersistPropertyBag)) {
    *out = static_cast<IPersistPropertyBag*>(this);
  } else if (IsEqualIID(riid, IID_IProvideClassInfo) || IsEqualIID(riid, IID_IProvideClassInfo2)) {
    *out = static_cast<IProvideClassInfo2*>(this);
  } else if (IsEqualIID(riid, IID_IConnectionPointContainer)) {
    *out = static_cast<IConnectionPointContainer*>(this);
  } else if (IsEqualIID(riid, IID_ISpecifyPropertyPages)) {
    *out = static_cast<ISpecifyPropertyPages*>(this);
  } else if (IsEqualIID(riid, IID_IObjectSafety)) {
    *out = static_cast<IObjectSafety*>(this);
  }
  if (*out == nullptr) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) OleControl::AddRef() {
  return InterlockedIncrement(&references_);
}

STDMETHODIMP_(ULONG) OleControl::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return left;
}

// --- IDispatch --------------------------------------------------------------

STDMETHODIMP OleControl::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

STDMETHODIMP OleControl::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  if (dispatchInfo_ == nullptr) {
    const HRESULT hr = TypeInfoOf(traits_.dispatchIid, &dispatchInfo_);
    if (FAILED(hr)) return hr;
  }
  dispatchInfo_->AddRef();
  *out = dispatchInfo_;
  return S_OK;
}

STDMETHODIMP OleControl::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                       DISPID* ids) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
  if (names[0] != nullptr) {
    const DISPID extra = ExtraDispId(names[0]);
    if (extra != DISPID_UNKNOWN) {
      // The by-name members take no named arguments.
      ids[0] = extra;
      for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
      return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
  }
  if (methodsInfo_ == nullptr) {
    const HRESULT hr = TypeInfoOf(traits_.methodsIid, &methodsInfo_);
    if (FAILED(hr)) return hr;
  }
  return methodsInfo_->GetIDsOfNames(names, count, ids);
}

STDMETHODIMP OleControl::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO* exception, UINT* argError) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (params == nullptr) return E_INVALIDARG;
  const HRESULT extra = InvokeExtra(id, flags, params, result, argError);
  if (extra != DISP_E_MEMBERNOTFOUND) return extra;
  if (methodsInfo_ == nullptr) {
    const HRESULT hr = TypeInfoOf(traits_.methodsIid, &methodsInfo_);
    if (FAILED(hr)) return hr;
  }
  // The type library's invoke checks the count and converts every argument
  // to its declared type (or answers DISP_E_TYPEMISMATCH / BADPARAMCOUNT)
  // before anything of ours runs.
  return methodsInfo_->Invoke(MethodsInterface(), id, flags, params, result, exception, argError);
}

HRESULT OleControl::InvokeExtra(DISPID, WORD, DISPPARAMS*, VARIANT*, UINT*) {
  return DISP_E_MEMBERNOTFOUND;
}

// --- IOleObject -------------------------------------------------------------

STDMETHODIMP OleControl::SetClientSite(IOleClientSite* site) {
  if (site != nullptr) site->AddRef();
  ReleaseAndClear(clientSite_);
  clientSite_ = site;
  return S_OK;
}

STDMETHODIMP OleControl::GetClientSite(IOleClientSite** site) {
  if (site == nullptr) return E_POINTER;
  *site = clientSite_;
  if (clientSite_ != nullptr) clientSite_->AddRef();
  return S_OK;
}

STDMETHODIMP OleControl::Close(DWORD) {
  InPlaceDeactivate();
  if (adviseHolder_ != nullptr) adviseHolder_->SendOnClose();
  return S_OK;
}

STDMETHODIMP OleControl::GetMoniker(DWORD, DWORD, IMoniker** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP OleControl::GetClipboardData(DWORD, IDataObject** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP OleControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) {
  if (site != nullptr && clientSite_ == nullptr) SetClientSite(site);
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
      return InPlaceActivate(verb);
    case OLEIVERB_HIDE:
      if (window_ != nullptr) ShowWindow(window_, SW_HIDE);
      return S_OK;
    case OLEIVERB_PROPERTIES:
      return ShowPropertyPages();
    default:
      return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
  }
}

STDMETHODIMP OleControl::EnumVerbs(IEnumOLEVERB** out) {
  if (out == nullptr) return E_POINTER;
  return OleRegEnumVerbs(traits_.classId, out);
}

STDMETHODIMP OleControl::GetUserClassID(CLSID* out) {
  if (out == nullptr) return E_POINTER;
  *out = traits_.classId;
  return S_OK;
}

STDMETHODIMP OleControl::GetUserType(DWORD form, LPOLESTR* out) {
  if (out == nullptr) return E_POINTER;
  return OleRegGetUserType(traits_.classId, form, out);
}

STDMETHODIMP OleControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (size == nullptr) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  extent_ = *size;
  return S_OK;
}

STDMETHODIMP OleControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (size == nullptr) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = extent_;
  return S_OK;
}

STDMETHODIMP OleControl::Advise(IAdviseSink* sink, DWORD* cookie) {
  if (adviseHolder_ == nullptr) {
    const HRESULT hr = CreateOleAdviseHolder(&adviseHolder_);
    if (FAILED(hr)) return hr;
  }
  return adviseHolder_->Advise(sink, cookie);
}

STDMETHODIMP OleControl::Unadvise(DWORD cookie) {
  if (adviseHolder_ == nullptr) return OLE_E_NOCONNECTION;
  return adviseHolder_->Unadvise(cookie);
}

STDMETHODIMP OleControl::EnumAdvise(IEnumSTATDATA** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (adviseHolder_ == nullptr) return S_OK;
  return adviseHolder_->EnumAdvise(out);
}

STDMETHODIMP OleControl::GetMiscStatus(DWORD aspect, DWORD* status) {
  if (status == nullptr) return E_POINTER;
  *status = aspect == DVASPECT_CONTENT ? traits_.miscStatus : 0;
  return S_OK;
}

// --- In-place activation ------------------------------------------------------

HRESULT OleControl::InPlaceActivate(LONG verb) {
  if (clientSite_ == nullptr) return E_UNEXPECTED;
  if (!inPlaceActive_) {
    if (inPlaceSite_ == nullptr &&
        FAILED(clientSite_->QueryInterface(IID_IOleInPlaceSite,
                                           reinterpret_cast<void**>(&inPlaceSite_)))) {
      inPlaceSite_ = nullptr;
      return E_FAIL;
    }
    if (inPlaceSite_->CanInPlaceActivate() != S_OK) return E_FAIL;
    inPlaceSite_->OnInPlaceActivate();
    inPlaceActive_ = true;

    HWND parent = nullptr;
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = nullptr;
    RECT position = {0, 0, 0, 0}, clip = {0, 0, 0, 0};
    OLEINPLACEFRAMEINFO info = {};
    info.cb = sizeof(info);
    inPlaceSite_->GetWindow(&parent);
    inPlaceSite_->GetWindowContext(&frame, &document, &position, &clip, &info);
    if (frame != nullptr) frame->Release();
    if (document != nullptr) document->Release();
    if (parent == nullptr || !CreateControlWindow(parent, position)) {
      inPlaceActive_ = false;
      inPlaceSite_->OnInPlaceDeactivate();
      return E_FAIL;
    }
  }
  if (window_ != nullptr) ShowWindow(window_, SW_SHOW);
  if ((verb == OLEIVERB_UIACTIVATE || verb == OLEIVERB_PRIMARY) && !uiActive_) {
    uiActive_ = true;
    inPlaceSite_->OnUIActivate();
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = nullptr;
    RECT position, clip;
    OLEINPLACEFRAMEINFO info = {};
    info.cb = sizeof(info);
    if (SUCCEEDED(inPlaceSite_->GetWindowContext(&frame, &document, &position, &clip, &info))) {
      if (frame != nullptr) {
        frame->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), nullptr);
        frame->Release();
      }
      if (document != nullptr) {
        document->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), nullptr);
        document->Release();
      }
    }
  }
  if (clientSite_ != nullptr) clientSite_->ShowObject();
  return S_OK;
}

STDMETHODIMP OleControl::GetWindow(HWND* out) {
  if (out == nullptr) return E_POINTER;
  *out = window_;
  return window_ != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP OleControl::InPlaceDeactivate() {
  if (!inPlaceActive_) return S_OK;
  UIDeactivate();
  inPlaceActive_ = false;
  if (window_ != nullptr) DestroyWindow(window_);
  window_ = nullptr;
  if (inPlaceSite_ != nullptr) {
    inPlaceSite_->OnInPlaceDeactivate();
    ReleaseAndClear(inPlaceSite_);
  }
  return S_OK;
}

STDMETHODIMP OleControl::UIDeactivate() {
  if (!uiActive_) return S_OK;
  uiActive_ = false;
  if (inPlaceSite_ != nullptr) inPlaceSite_->OnUIDeactivate(FALSE);
  return S_OK;
}

STDMETHODIMP OleControl::SetObjectRects(LPCRECT position, LPCRECT) {
  if (position == nullptr) return E_POINTER;
  if (window_ != nullptr) {
    SetWindowPos(window_, nullptr, position->left, position->top, position->right - position->left,
                 position->bottom - position->top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return S_OK;
}

HWND OleControl::OwnerWindow() const {
  if (window_ != nullptr) return window_;
  HWND parent = nullptr;
  if (inPlaceSite_ != nullptr) inPlaceSite_->GetWindow(&parent);
  return parent;
}

// --- The control's window -----------------------------------------------------

bool OleControl::CreateControlWindow(HWND parent, const RECT& position) {
  HINSTANCE module = ModuleInstance();
  WNDCLASSA existing;
  if (!::GetClassInfoA(module, kWindowClass, &existing)) {
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &OleControl::WindowProc;
    wc.hInstance = module;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    if (RegisterClassA(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  }
  // WM_CREATE runs inside CreateWindowEx and finds the object through the
  // creation parameter; a creation the derived class refuses gives null.
  HWND window = CreateWindowExA(0, kWindowClass, "",
                                WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                position.left, position.top, position.right - position.left,
                                position.bottom - position.top, parent, nullptr, module, this);
  return window != nullptr;
}

LRESULT CALLBACK OleControl::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  OleControl* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<OleControl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
  } else {
    self = reinterpret_cast<OleControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  }
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT OleControl::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = window_;
  switch (message) {
    case WM_CREATE:
      if (!OnCreate()) {
        window_ = nullptr;
        return -1;
      }
      return 0;
    case WM_SIZE:
      OnSize(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_DESTROY:
      OnDestroy();
      break;
    case WM_NCDESTROY:
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      if (window_ == window) window_ = nullptr;
      break;
    case WM_ERASEBKGND:
      return 1;  // painting covers everything
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      RECT bounds;
      GetClientRect(window, &bounds);
      OnDraw(dc, bounds);
      EndPaint(window, &ps);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace pelican
}  // namespace marlow
