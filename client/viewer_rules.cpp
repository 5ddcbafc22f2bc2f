#include "client/viewer_rules.h"

#include <cstring>

#include "client/main_window_ids.h"
#include "core/settings.h"
#include "format/ascii_case.h"
#include "format/message_display.h"

ViewerPlan plan_viewer_command(int command, int settings_bits, int running_extractions) {
    ViewerPlan plan;
    if (command == CMD_SHOW_HTML && (settings_bits & SETTING_NO_SHOW_HTML)) {
        plan.step = VIEWER_NOTICE;
        return plan;
    }
    // The extraction threads write line 348 through the interface thread,
    // which therefore never waits for them itself.
    if (running_extractions > 0) {
        plan.step = VIEWER_AFTER_EXTRACTIONS;
        return plan;
    }
    plan.force = command == CMD_SHOW_HTML   ? DISPLAY_FORCE_HTML
                 : command == CMD_SHOW_TEXT ? DISPLAY_FORCE_TEXT
                                            : DISPLAY_AS_SET;
    return plan;
}

AfterDisplay after_display(bool shown, int force, int settings_bits) {
    AfterDisplay after;
    after.mark_read = shown;
    after.extract = shown && force == DISPLAY_AS_SET && !(settings_bits & SETTING_NO_ATTACHMENTS);
    return after;
}

bool link_may_open(const char* url) {
    if (!url) return false;
    for (const char* p = url; *p; p++)
        if (static_cast<unsigned char>(*p) < 0x20 || *p == 0x7F) return false;
    for (const char* scheme : {"http:", "https:", "mailto:"})
        if (begins_nocase(url, scheme) && url[std::strlen(scheme)] != '\0') return true;
    return false;
}

bool navigation_address(const char* program_folder, const char* relative_path, bool whole_message, Array* out) {
    array_clear(out);
    size_t length = std::strlen(whole_message ? "mhtml:" : "file:") + std::strlen(program_folder) + 1 +
                    std::strlen(relative_path);
    if (length > 1023 || static_cast<int>(length) >= out->capacity) return false;
    array_printf(out, "%s%s\\%s", whole_message ? "mhtml:" : "file:", program_folder, relative_path);
    return true;
}
