// The system's web browser control behind the host's BrowserControl.
#pragma once

#include "ui/browser_host.h"

// Embeds the web browser control in the record's host window, resizable,
// after making sure an HTML engine exists (without one the browser accepts
// every call and never shows a document). Null on any failure.
BrowserControl* embed_web_browser(HostRecord* record);
