#include "wingui/font_dialog.h"

#include <commdlg.h>

bool choose_font_dialog(HWND owner, LOGFONTA* font, HDC printer) {
    LOGFONTA chosen = *font;
    CHOOSEFONTA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.hDC = printer;
    dialog.lpLogFont = &chosen;
    dialog.Flags = CF_INITTOLOGFONTSTRUCT | (printer ? CF_PRINTERFONTS : CF_SCREENFONTS);
    if (!ChooseFontA(&dialog)) return false;
    *font = chosen;
    return true;
}
