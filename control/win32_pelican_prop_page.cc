#include "control/win32_pelican_prop_page.h"

#include "control/pelican_resource.h"

namespace marlow {
namespace pelican {

namespace {

LPOLESTR CopyToTaskMemory(const wchar_t* text) {
  const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
  auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
  if (copy != nullptr) memcpy(copy, text, bytes);
  return copy;
}

}  // namespace

CPelicanPropPage::~CPelicanPropPage() {
  if (dialog_ != nullptr) DestroyWindow(dialog_);
  if (site_ != nullptr) site_->Release();
}

STDMETHODIMP CPelicanPropPage::QueryInterface(REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPropertyPage)) {
    *out = static_cast<IPropertyPage*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CPelicanPropPage::AddRef() {
  return InterlockedIncrement(&references_);
}

STDMETHODIMP_(ULONG) CPelicanPropPage::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP CPelicanPropPage::SetPageSite(IPropertyPageSite* site) {
  if (site != nullptr) site->AddRef();
  if (site_ != nullptr) site_->Release();
  site_ = site;
  return S_OK;
}

STDMETHODIMP CPelicanPropPage::Activate(HWND parent, LPCRECT rect, BOOL) {
  if (dialog_ != nullptr) return E_UNEXPECTED;
  dialog_ = CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(IDD_PELICAN_PROPPAGE), parent,
                               &CPelicanPropPage::DialogProc, 0);
  if (dialog_ == nullptr) return E_FAIL;
  if (rect != nullptr) Move(rect);
  return S_OK;
}

STDMETHODIMP CPelicanPropPage::Deactivate() {
  if (dialog_ != nullptr) DestroyWindow(dialog_);
  dialog_ = nullptr;
  return S_OK;
}

STDMETHODIMP CPelicanPropPage::GetPageInfo(PROPPAGEINFO* info) {
  if (info == nullptr) return E_POINTER;
  wchar_t caption[64] = L"";
  LoadStringW(ModuleInstance(), IDS_PELICAN_PAGE_CAPTION, caption, 64);
  // The page's size in pixels: its dialog laid out once, hidden.
  SIZE size = {375, 100};
  HWND probe = CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(IDD_PELICAN_PROPPAGE),
                                  GetDesktopWindow(), &CPelicanPropPage::DialogProc, 0);
  if (probe != nullptr) {
    RECT r;
    GetWindowRect(probe, &r);
    size.cx = r.right - r.left;
    size.cy = r.bottom - r.top;
    DestroyWindow(probe);
  }
  info->cb = sizeof(*info);
  info->pszTitle = CopyToTaskMemory(caption);
  info->size = size;
  info->pszDocString = nullptr;
  info->pszHelpFile = nullptr;
  info->dwHelpContext = 0;
  return info->pszTitle != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CPelicanPropPage::SetObjects(ULONG count, IUnknown** objects) {
  // Nothing to read from or write to the control.
  return count == 0 || objects != nullptr ? S_OK : E_POINTER;
}

STDMETHODIMP CPelicanPropPage::Show(UINT command) {
  if (dialog_ == nullptr) return E_UNEXPECTED;
  ShowWindow(dialog_, command);
  return S_OK;
}

STDMETHODIMP CPelicanPropPage::Move(LPCRECT rect) {
  if (rect == nullptr) return E_POINTER;
  if (dialog_ == nullptr) return E_UNEXPECTED;
  MoveWindow(dialog_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
             TRUE);
  return S_OK;
}

INT_PTR CALLBACK CPelicanPropPage::DialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

}  // namespace pelican
}  // namespace marlow
