#include "ui/browser_site.h"

#include <mshtmdid.h>

const long ambient_download_control =
    static_cast<long>(DLCTL_NO_SCRIPTS | DLCTL_NO_JAVA | DLCTL_NO_RUNACTIVEXCTLS | DLCTL_NO_DLACTIVEXCTLS |
                      DLCTL_NO_FRAMEDOWNLOAD | DLCTL_NO_CLIENTPULL | DLCTL_NO_BEHAVIORS | DLCTL_NOFRAMES |
                      DLCTL_FORCEOFFLINE | DLCTL_SILENT | DLCTL_OFFLINE);

// The storage: the browser is never saved.
STDMETHODIMP CNullStorage::QueryInterface(REFIID, void**) { return E_NOTIMPL; }
STDMETHODIMP_(ULONG) CNullStorage::AddRef() { return 1; }
STDMETHODIMP_(ULONG) CNullStorage::Release() { return 1; }
STDMETHODIMP CNullStorage::CreateStream(LPCOLESTR, DWORD, DWORD, DWORD, IStream**) { return E_NOTIMPL; }
STDMETHODIMP CNullStorage::OpenStream(LPCOLESTR, void*, DWORD, DWORD, IStream**) { return E_NOTIMPL; }
STDMETHODIMP CNullStorage::CreateStorage(LPCOLESTR, DWORD, DWORD, DWORD, IStorage**) { return E_NOTIMPL; }
STDMETHODIMP CNullStorage::OpenStorage(LPCOLESTR, IStorage*, DWORD, SNB, DWORD, IStorage**) { return E_NOTIMPL; }
STDMETHODIMP CNullStorage::CopyTo(DWORD, const IID*, SNB, IStorage*) { return E_NOTIMPL; }
STDMETHODIMP CNullStorage::MoveElementTo(LPCOLESTR, IStorage*, LPCOLESTR, DWORD) { return E_NOTIMPL; }
STDMETHODIMP CNullStorage::Commit(DWORD) { return E_NOTIMPL; }
STDMETHODIMP CNullStorage::Revert() { return E_NOTIMPL; }
STDMETHODIMP CNullStorage::EnumElements(DWORD, void*, DWORD, IEnumSTATSTG**) { return E_NOTIMPL; }
STDMETHODIMP CNullStorage::DestroyElement(LPCOLESTR) { return E_NOTIMPL; }
STDMETHODIMP CNullStorage::RenameElement(LPCOLESTR, LPCOLESTR) { return E_NOTIMPL; }
STDMETHODIMP CNullStorage::SetElementTimes(LPCOLESTR, const FILETIME*, const FILETIME*, const FILETIME*) {
    return E_NOTIMPL;
}
STDMETHODIMP CNullStorage::SetClass(REFCLSID) { return S_OK; }
STDMETHODIMP CNullStorage::SetStateBits(DWORD, DWORD) { return E_NOTIMPL; }
STDMETHODIMP CNullStorage::Stat(STATSTG*, DWORD) { return E_NOTIMPL; }

// The site.
STDMETHODIMP CMySite::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
        *object = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(riid, IID_IOleInPlaceSite)) {
        *object = static_cast<IOleInPlaceSite*>(this);
    } else if (IsEqualIID(riid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    return S_OK;
}
STDMETHODIMP_(ULONG) CMySite::AddRef() { return 1; }
STDMETHODIMP_(ULONG) CMySite::Release() { return 1; }
STDMETHODIMP CMySite::SaveObject() { return E_NOTIMPL; }
STDMETHODIMP CMySite::GetMoniker(DWORD, DWORD, IMoniker**) { return E_NOTIMPL; }
STDMETHODIMP CMySite::GetContainer(IOleContainer** container) {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}
STDMETHODIMP CMySite::ShowObject() { return S_OK; }
STDMETHODIMP CMySite::OnShowWindow(BOOL) { return E_NOTIMPL; }
STDMETHODIMP CMySite::RequestNewObjectLayout() { return E_NOTIMPL; }
STDMETHODIMP CMySite::GetWindow(HWND* window) {
    *window = record->host;
    return S_OK;
}
STDMETHODIMP CMySite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
STDMETHODIMP CMySite::CanInPlaceActivate() { return S_OK; }
STDMETHODIMP CMySite::OnInPlaceActivate() { return S_OK; }
STDMETHODIMP CMySite::OnUIActivate() { return S_OK; }
STDMETHODIMP CMySite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                       LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    *frame = &record->frame;
    *document = nullptr;
    GetClientRect(record->host, position);
    GetClientRect(record->host, clip);
    info->fMDIApp = FALSE;
    info->hwndFrame = record->host;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}
STDMETHODIMP CMySite::Scroll(SIZE) { return E_NOTIMPL; }
STDMETHODIMP CMySite::OnUIDeactivate(BOOL) { return S_OK; }
STDMETHODIMP CMySite::OnInPlaceDeactivate() { return S_OK; }
STDMETHODIMP CMySite::DiscardUndoState() { return E_NOTIMPL; }
STDMETHODIMP CMySite::DeactivateAndUndo() { return E_NOTIMPL; }
STDMETHODIMP CMySite::OnPosRectChange(LPCRECT) { return S_OK; }
STDMETHODIMP CMySite::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}
STDMETHODIMP CMySite::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
STDMETHODIMP CMySite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
STDMETHODIMP CMySite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) {
    if (id != DISPID_AMBIENT_DLCONTROL || !(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
    VariantInit(result);
    result->vt = VT_I4;
    result->lVal = ambient_download_control;
    return S_OK;
}

// The frame.
STDMETHODIMP CMyFrame::QueryInterface(REFIID, void**) { return E_NOTIMPL; }
STDMETHODIMP_(ULONG) CMyFrame::AddRef() { return 1; }
STDMETHODIMP_(ULONG) CMyFrame::Release() { return 1; }
STDMETHODIMP CMyFrame::GetWindow(HWND* window) {
    *window = record->host;
    return S_OK;
}
STDMETHODIMP CMyFrame::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
STDMETHODIMP CMyFrame::GetBorder(LPRECT) { return E_NOTIMPL; }
STDMETHODIMP CMyFrame::RequestBorderSpace(LPCBORDERWIDTHS) { return E_NOTIMPL; }
STDMETHODIMP CMyFrame::SetBorderSpace(LPCBORDERWIDTHS) { return E_NOTIMPL; }
STDMETHODIMP CMyFrame::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) { return S_OK; }
STDMETHODIMP CMyFrame::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return E_NOTIMPL; }
STDMETHODIMP CMyFrame::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
STDMETHODIMP CMyFrame::RemoveMenus(HMENU) { return E_NOTIMPL; }
STDMETHODIMP CMyFrame::SetStatusText(LPCOLESTR) { return S_OK; }
STDMETHODIMP CMyFrame::EnableModeless(BOOL) { return S_OK; }
STDMETHODIMP CMyFrame::TranslateAccelerator(LPMSG, WORD) { return E_NOTIMPL; }
