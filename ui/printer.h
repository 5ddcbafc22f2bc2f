// The default printer's device context.
#pragma once

#include <windows.h>

// The first steps of opening the printer, all that the font dialog needs:
// the default printer from the system profile's "device" entry, and a
// device context for it. Null after "Could not find printer!" (no default
// printer) or "Error creating DC". The caller deletes the context.
HDC open_printer_for_measuring();
