#include "format/compose_fields.h"
#include "format/message_text.h"

int write_compose_text(const ComposeFields* fields, const char* path) {
    const auto* text = static_cast<const ComposeText*>(fields->text_source);
    if (!text) return write_wide_text(u"", 0, path, false);
    return write_wide_text(text->units, text->count, path, text->force_utf8);
}
