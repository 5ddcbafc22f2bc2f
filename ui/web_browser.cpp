#include "ui/web_browser.h"

#include <exdisp.h>

namespace {

// The HTML document object (mshtml), which the import libraries do not carry.
const CLSID html_document_class = {0x25336920, 0x03f9, 0x11cf, {0x8f, 0xd0, 0x00, 0xaa, 0x00, 0x68, 0x6f, 0x13}};

class SystemBrowser : public BrowserControl {
public:
    SystemBrowser(HostRecord* record, IWebBrowser2* browser) : record_(record), browser_(browser) {}

    bool go_offline() override { return SUCCEEDED(browser_->put_Offline(VARIANT_TRUE)); }

    bool navigate(const std::wstring& address) override {
        VARIANT url, empty;
        VariantInit(&empty);
        VariantInit(&url);
        url.vt = VT_BSTR;
        url.bstrVal = SysAllocString(address.c_str());
        if (!url.bstrVal) return false;
        HRESULT result = browser_->Navigate2(&url, &empty, &empty, &empty, &empty);
        VariantClear(&url);
        return SUCCEEDED(result);
    }

    bool holds_document() override {
        READYSTATE state = READYSTATE_UNINITIALIZED;
        if (FAILED(browser_->get_ReadyState(&state)) || state < READYSTATE_INTERACTIVE) return false;
        IDispatch* document = nullptr;
        if (FAILED(browser_->get_Document(&document)) || !document) return false;
        document->Release();
        return true;
    }

    void place(const RECT& box) override {
        IOleInPlaceObject* in_place = nullptr;
        if (SUCCEEDED(record_->object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&in_place)))) {
            in_place->SetObjectRects(&box, &box);
            in_place->Release();
        }
    }

    void close() override {
        browser_->Quit();
        browser_->Release();
        browser_ = nullptr;
        record_->object->Close(OLECLOSE_NOSAVE);
        record_->object->Release();
        record_->object = nullptr;
    }

private:
    HostRecord* record_;
    IWebBrowser2* browser_;
};

bool html_engine_present() {
    IUnknown* document = nullptr;
    if (FAILED(CoCreateInstance(html_document_class, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                reinterpret_cast<void**>(&document))) ||
        !document)
        return false;
    document->Release();
    return true;
}

void drop_object(HostRecord* record) {
    record->object->Close(OLECLOSE_NOSAVE);
    record->object->Release();
    record->object = nullptr;
}

}  // namespace

BrowserControl* embed_web_browser(HostRecord* record) {
    if (!html_engine_present()) return nullptr;
    if (FAILED(OleCreate(CLSID_WebBrowser, IID_IOleObject, OLERENDER_DRAW, nullptr,
                         static_cast<IOleClientSite*>(&record->site), &record->storage,
                         reinterpret_cast<void**>(&record->object))) ||
        !record->object)
        return nullptr;
    RECT box;
    GetClientRect(record->host, &box);
    IWebBrowser2* browser = nullptr;
    if (FAILED(record->object->SetHostNames(L"Web Host", L"Web View")) ||
        FAILED(OleSetContainedObject(record->object, TRUE)) ||
        FAILED(record->object->DoVerb(OLEIVERB_SHOW, nullptr, static_cast<IOleClientSite*>(&record->site), -1,
                                      record->host, &box)) ||
        FAILED(record->object->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser))) || !browser) {
        drop_object(record);
        return nullptr;
    }
    if (FAILED(browser->put_Resizable(VARIANT_TRUE))) {
        browser->Release();
        drop_object(record);
        return nullptr;
    }
    return new SystemBrowser(record, browser);
}
