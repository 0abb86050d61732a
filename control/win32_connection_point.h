// The control's one connection point, for its event interface. The control
// fires no events, but hosts connect a sink as a matter of course and must
// be able to connect and disconnect it. The point lives inside the control
// and counts its references on it.
#pragma once

#include <ocidl.h>
#include <windows.h>

#include <vector>

namespace marlow {
namespace pelican {

class EventConnectionPoint final : public IConnectionPoint {
 public:
  EventConnectionPoint(IConnectionPointContainer* owner, REFIID eventsIid);
  ~EventConnectionPoint();
  EventConnectionPoint(const EventConnectionPoint&) = delete;
  EventConnectionPoint& operator=(const EventConnectionPoint&) = delete;

  const IID& EventsIid() const { return iid_; }

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }
  STDMETHODIMP GetConnectionInterface(IID* out) override;
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override;
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumConnections(IEnumConnections** out) override;

 private:
  IConnectionPointContainer* owner_;
  IID iid_;
  std::vector<IUnknown*> sinks_;  // cookie = index + 1; a freed slot is null
};

// Enumerates the one connection point of a container.
class OneConnectionPointEnum final : public IEnumConnectionPoints {
 public:
  explicit OneConnectionPointEnum(IConnectionPoint* point, ULONG position = 0);
  ~OneConnectionPointEnum();

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP Next(ULONG count, IConnectionPoint** out, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumConnectionPoints** out) override;

 private:
  LONG references_ = 1;
  IConnectionPoint* point_;
  ULONG position_;
};

}  // namespace pelican
}  // namespace marlow
