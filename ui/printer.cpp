#include "ui/printer.h"

#include <winspool.h>

#include <cstring>

#include "core/ui_services.h"

HDC open_printer_for_measuring() {
    // Asking for the default printer first loads the spooler, after which
    // the profile entry follows the system's printers (under Wine, CUPS).
    char name[256];
    DWORD size = sizeof name;
    GetDefaultPrinterA(name, &size);

    char entry[100] = {};
    GetProfileStringA("windows", "device", ",,,", entry, 99);
    if (std::strlen(entry) == 3) {
        show_message("Could not find printer!");
        return nullptr;
    }
    // "device,driver,port"
    char* device = entry;
    char* driver = std::strchr(device, ',');
    char* port = driver ? std::strchr(driver + 1, ',') : nullptr;
    if (driver) *driver++ = 0;
    if (port) *port++ = 0;
    HDC dc = CreateDCA(driver ? driver : "", device, port, nullptr);
    if (!dc) show_message("Error creating DC");
    return dc;
}
