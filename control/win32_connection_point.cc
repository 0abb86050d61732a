#include "control/win32_connection_point.h"

#include <olectl.h>

#include <new>

#include "control/win32_com_module.h"

namespace marlow {
namespace pelican {

EventConnectionPoint::EventConnectionPoint(IConnectionPointContainer* owner, REFIID eventsIid)
    : owner_(owner), iid_(eventsIid) {}

EventConnectionPoint::~EventConnectionPoint() {
  for (IUnknown* sink : sinks_) {
    if (sink != nullptr) sink->Release();
  }
}

STDMETHODIMP EventConnectionPoint::QueryInterface(REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP EventConnectionPoint::GetConnectionInterface(IID* out) {
  if (out == nullptr) return E_POINTER;
  *out = iid_;
  return S_OK;
}

STDMETHODIMP EventConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (out == nullptr) return E_POINTER;
  owner_->AddRef();
  *out = owner_;
  return S_OK;
}

STDMETHODIMP EventConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (cookie == nullptr) return E_POINTER;
  *cookie = 0;
  if (sink == nullptr) return E_POINTER;
  // The sink must speak the event interface (as a dispatch interface, any
  // IDispatch does).
  IUnknown* held = nullptr;
  if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&held))) &&
      FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&held)))) {
    return CONNECT_E_CANNOTCONNECT;
  }
  for (size_t i = 0; i < sinks_.size(); ++i) {
    if (sinks_[i] == nullptr) {
      sinks_[i] = held;
      *cookie = static_cast<DWORD>(i + 1);
      return S_OK;
    }
  }
  if (sinks_.size() >= 64) {  // far more than any host connects
    held->Release();
    return CONNECT_E_ADVISELIMIT;
  }
  sinks_.push_back(held);
  *cookie = static_cast<DWORD>(sinks_.size());
  return S_OK;
}

STDMETHODIMP EventConnectionPoint::Unadvise(DWORD cookie) {
  if (cookie == 0 || cookie > sinks_.size() || sinks_[cookie - 1] == nullptr) {
    return CONNECT_E_NOCONNECTION;
  }
  IUnknown* sink = sinks_[cookie - 1];
  sinks_[cookie - 1] = nullptr;
  sink->Release();
  return S_OK;
}

STDMETHODIMP EventConnectionPoint::EnumConnections(IEnumConnections** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  return E_NOTIMPL;  // allowed for a point that never fires
}

OneConnectionPointEnum::OneConnectionPointEnum(IConnectionPoint* point, ULONG position)
    : point_(point), position_(position) {
  ObjectCreated();
  point_->AddRef();
}

OneConnectionPointEnum::~OneConnectionPointEnum() {
  point_->Release();
  ObjectDestroyed();
}

STDMETHODIMP OneConnectionPointEnum::QueryInterface(REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumConnectionPoints)) {
    *out = static_cast<IEnumConnectionPoints*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) OneConnectionPointEnum::AddRef() {
  return InterlockedIncrement(&references_);
}

STDMETHODIMP_(ULONG) OneConnectionPointEnum::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP OneConnectionPointEnum::Next(ULONG count, IConnectionPoint** out, ULONG* fetched) {
  if (out == nullptr || (count > 1 && fetched == nullptr)) return E_POINTER;
  ULONG n = 0;
  if (count > 0 && position_ == 0) {
    point_->AddRef();
    out[0] = point_;
    position_ = 1;
    n = 1;
  }
  if (fetched != nullptr) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

STDMETHODIMP OneConnectionPointEnum::Skip(ULONG count) {
  if (count == 0) return S_OK;
  const bool had = position_ == 0;
  position_ = 1;
  return had && count == 1 ? S_OK : S_FALSE;
}

STDMETHODIMP OneConnectionPointEnum::Reset() {
  position_ = 0;
  return S_OK;
}

STDMETHODIMP OneConnectionPointEnum::Clone(IEnumConnectionPoints** out) {
  if (out == nullptr) return E_POINTER;
  *out = new (std::nothrow) OneConnectionPointEnum(point_, position_);
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace pelican
}  // namespace marlow
