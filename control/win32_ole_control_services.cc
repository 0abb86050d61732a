// OleControl: drawing for hosts, persistence of the version, class
// information, the event connection point, property pages and the safety
// options.
#include <new>

#include "control/win32_ole_control.h"

namespace marlow {
namespace pelican {

namespace {
constexpr wchar_t kVersionProperty[] = L"_Version";
}

// --- IViewObject2 -------------------------------------------------------------

STDMETHODIMP OleControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC drawDc,
                              LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                              ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (drawDc == nullptr || bounds == nullptr) return E_INVALIDARG;
  const RECT r = {bounds->left, bounds->top, bounds->right, bounds->bottom};
  OnDraw(drawDc, r);
  return S_OK;
}

STDMETHODIMP OleControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  if (sink != nullptr) sink->AddRef();
  if (viewSink_ != nullptr) viewSink_->Release();
  viewSink_ = sink;
  viewAspects_ = aspects;
  viewFlags_ = flags;
  return S_OK;
}

STDMETHODIMP OleControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects != nullptr) *aspects = viewAspects_;
  if (flags != nullptr) *flags = viewFlags_;
  if (sink != nullptr) {
    *sink = viewSink_;
    if (viewSink_ != nullptr) viewSink_->AddRef();
  }
  return S_OK;
}

STDMETHODIMP OleControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// --- Persistence: the version only --------------------------------------------

STDMETHODIMP OleControl::GetClassID(CLSID* out) {
  if (out == nullptr) return E_POINTER;
  *out = traits_.classId;
  return S_OK;
}

STDMETHODIMP OleControl::Load(LPSTREAM stream) {
  if (stream == nullptr) return E_POINTER;
  DWORD version = 0;
  ULONG read = 0;
  const HRESULT hr = stream->Read(&version, sizeof(version), &read);
  if (FAILED(hr)) return hr;
  // Any version loads: there is nothing else in the stream to interpret.
  return read == sizeof(version) ? S_OK : E_FAIL;
}

STDMETHODIMP OleControl::Save(LPSTREAM stream, BOOL) {
  if (stream == nullptr) return E_POINTER;
  const DWORD version = MAKELONG(traits_.versionMinor, traits_.versionMajor);
  ULONG written = 0;
  const HRESULT hr = stream->Write(&version, sizeof(version), &written);
  if (FAILED(hr)) return hr;
  return written == sizeof(version) ? S_OK : STG_E_MEDIUMFULL;
}

STDMETHODIMP OleControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (size == nullptr) return E_POINTER;
  size->QuadPart = sizeof(DWORD);
  return S_OK;
}

STDMETHODIMP OleControl::Load(IPropertyBag* bag, IErrorLog* log) {
  if (bag == nullptr) return E_POINTER;
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_I4;
  // A page without the version property is as good as one with it.
  bag->Read(kVersionProperty, &value, log);
  VariantClear(&value);
  return S_OK;
}

STDMETHODIMP OleControl::Save(IPropertyBag* bag, BOOL, BOOL) {
  if (bag == nullptr) return E_POINTER;
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_I4;
  V_I4(&value) = MAKELONG(traits_.versionMinor, traits_.versionMajor);
  return bag->Write(kVersionProperty, &value);
}

// --- Class information and the event connection point -------------------------

STDMETHODIMP OleControl::GetClassInfo(ITypeInfo** out) {
  if (out == nullptr) return E_POINTER;
  return TypeInfoOf(traits_.classId, out);
}

STDMETHODIMP OleControl::GetGUID(DWORD kind, GUID* out) {
  if (out == nullptr) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *out = GUID_NULL;
    return E_INVALIDARG;
  }
  *out = traits_.eventsIid;
  return S_OK;
}

STDMETHODIMP OleControl::EnumConnectionPoints(IEnumConnectionPoints** out) {
  if (out == nullptr) return E_POINTER;
  *out = new (std::nothrow) OneConnectionPointEnum(&events_);
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP OleControl::FindConnectionPoint(REFIID riid, IConnectionPoint** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!IsEqualIID(riid, events_.EventsIid())) return CONNECT_E_NOCONNECTION;
  events_.AddRef();
  *out = &events_;
  return S_OK;
}

// --- Property pages -----------------------------------------------------------

STDMETHODIMP OleControl::GetPages(CAUUID* pages) {
  if (pages == nullptr) return E_POINTER;
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
  if (pages->pElems == nullptr) {
    pages->cElems = 0;
    return E_OUTOFMEMORY;
  }
  pages->cElems = 1;
  pages->pElems[0] = traits_.propertyPage;
  return S_OK;
}

HRESULT OleControl::ShowPropertyPages() {
  LPOLESTR name = nullptr;
  OleRegGetUserType(traits_.classId, USERCLASSTYPE_SHORT, &name);
  IUnknown* self = static_cast<IOleObject*>(this);
  CLSID page = traits_.propertyPage;
  const HRESULT hr = OleCreatePropertyFrame(OwnerWindow(), 0, 0, name != nullptr ? name : L"", 1,
                                            &self, 1, &page, LOCALE_USER_DEFAULT, 0, nullptr);
  if (name != nullptr) CoTaskMemFree(name);
  return hr;
}

// --- IOleControl: no mnemonics ------------------------------------------------

STDMETHODIMP OleControl::GetControlInfo(CONTROLINFO* info) {
  if (info == nullptr) return E_POINTER;
  info->cb = sizeof(*info);
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

// --- IObjectSafety ------------------------------------------------------------

bool OleControl::ExposesInterface(REFIID riid) {
  IUnknown* probe = nullptr;
  if (FAILED(QueryInterface(riid, reinterpret_cast<void**>(&probe))) || probe == nullptr) {
    return false;
  }
  probe->Release();
  return true;
}

STDMETHODIMP OleControl::GetInterfaceSafetyOptions(REFIID riid, DWORD* supported, DWORD* enabled) {
  if (supported == nullptr || enabled == nullptr) return E_POINTER;
  // Safe for untrusted callers and data, always and for every interface.
  *supported = kSafetyOptions;
  *enabled = kSafetyOptions;
  return ExposesInterface(riid) ? S_OK : E_NOINTERFACE;
}

STDMETHODIMP OleControl::SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled) {
  if (!ExposesInterface(riid)) return E_NOINTERFACE;
  if ((mask & ~kSafetyOptions) != 0) return E_FAIL;
  return (mask & enabled) == mask ? S_OK : E_FAIL;
}

}  // namespace pelican
}  // namespace marlow
