// The browser view of a window: a host window over the window's text pane
// with the web browser control embedded in it, on a thread of its own. The
// browser is called only on that thread; other threads hand the host an
// address and wait, for a bounded time, for the answer. Where no HTML
// engine exists (Wine has none) every path ends in "no document", and the
// viewer shows the message as text.
#pragma once

#include <windows.h>

#include <string>

#include "ui/browser_site.h"

#define IDC_BROWSER_HOST 1305
// The host's answer to "where is the browser": the browser pointer stored
// at the address in lParam, null until the browser is ready.
#define WM_HOST_BROWSER (WM_USER + 136)

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

// Embeds a browser in the record's host window (on the browser thread,
// after OleInitialize). Null when there is no browser or no HTML engine.
using BrowserEmbed = BrowserControl* (*)(HostRecord* record);
// Tests put their own browser here; null puts the system's back.
void browser_embed_install(BrowserEmbed embed);
// How long a navigation may take before its message is shown as text.
void browser_wait_install(int milliseconds);

struct BrowserHost;

// Creates the host over pane `pane_id` of `window` and waits until its
// browser exists or its thread gives up. Null when there is no browser
// ("Could not start thread." when the thread could not start).
BrowserHost* open_browser(HWND window, int pane_id);
// Shows the file at `address` ("file:..." or "mhtml:...") on the browser's
// thread. True when the browser holds its document within the bound.
bool navigate(BrowserHost* host, const std::string& address);
HWND browser_window(const BrowserHost* host);
// Closes the browser, ends its thread and frees the host.
void close_browser(BrowserHost* host);
