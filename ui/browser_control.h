// What the browser host asks of an embedded browser.
#pragma once

#include <windows.h>

#include <string>

// The embedded browser as the host uses it, on the browser thread only.
class BrowserControl {
public:
    virtual ~BrowserControl() = default;
    virtual bool go_offline() = 0;
    virtual bool navigate(const std::wstring& address) = 0;
    // Whether a document has been loaded and can be shown.
    virtual bool holds_document() = 0;
    virtual void place(const RECT& box) = 0;
    virtual void close() = 0;
};

