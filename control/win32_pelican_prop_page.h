// CPelicanPropPage: the control's one property page, "General". The control
// has no properties, so the page shows a single text and changes nothing;
// it exists so that a host's properties verb and property browser have a
// page to show.
#pragma once

#include <ocidl.h>
#include <windows.h>

#include "control/win32_com_module.h"

namespace marlow {
namespace pelican {

class CPelicanPropPage final : public IPropertyPage {
 public:
  CPelicanPropPage() = default;
  ~CPelicanPropPage();
  CPelicanPropPage(const CPelicanPropPage&) = delete;
  CPelicanPropPage& operator=(const CPelicanPropPage&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP SetPageSite(IPropertyPageSite* site) override;
  STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) override;
  STDMETHODIMP Deactivate() override;
  STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;
  STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override;
  STDMETHODIMP Show(UINT command) override;
  STDMETHODIMP Move(LPCRECT rect) override;
  STDMETHODIMP IsPageDirty() override { return S_FALSE; }
  STDMETHODIMP Apply() override { return S_OK; }
  STDMETHODIMP Help(LPCOLESTR) override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  ObjectCount count_;
  LONG references_ = 1;
  IPropertyPageSite* site_ = nullptr;
  HWND dialog_ = nullptr;
};

}  // namespace pelican
}  // namespace marlow
