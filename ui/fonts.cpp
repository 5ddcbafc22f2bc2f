#include "ui/fonts.h"

#include "client/client_settings.h"
#include "client/main_window_ids.h"
#include "client/settings_platform_win32.h"
#include "core/ui_services.h"
#include "ui/colours.h"
#include "ui/printer.h"
#include "wingui/colours.h"
#include "wingui/controls.h"
#include "wingui/dpi_change.h"
#include "wingui/font_dialog.h"

void choose_font(HWND main_window, FontSlot slot) {
    LOGFONTA font{};
    GetObjectA(settings_font(slot), sizeof font, &font);
    HDC printer = nullptr;
    if (slot == PRINTER_FONT && !(printer = open_printer_for_measuring())) return;
    // The printer font's record keeps its height in points, as printing
    // reads it; the dialog of a printer speaks in the printer's units.
    int dots_per_inch = printer ? GetDeviceCaps(printer, LOGPIXELSY) : 0;
    if (dots_per_inch > 0) font.lfHeight = -MulDiv(font.lfHeight < 0 ? -font.lfHeight : font.lfHeight, dots_per_inch, 72);
    bool chosen = choose_font_dialog(main_window, &font, printer);
    if (printer) DeleteDC(printer);
    if (!chosen) return;
    if (dots_per_inch > 0) font.lfHeight = -MulDiv(font.lfHeight < 0 ? -font.lfHeight : font.lfHeight, 72, dots_per_inch);
    HFONT made = CreateFontIndirectA(&font);
    if (!made) {
        show_message("Create font error!");
        return;
    }
    settings_replace_font(slot, made);
    if (slot == MESSAGE_FONT) {
        set_display_font(main_window, IDC_PREVIEW, made);
        rich_edit_set_text_colour(control(main_window, IDC_PREVIEW), colour_slot(SLOT_PANE_TEXT));
    }
    settings_save();
}
