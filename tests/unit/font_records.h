// Font records for the settings tests: a record's 60 file bytes, and a font
// unlike the default one in every kind of field.
#pragma once

#include <string>

#include "core/settings.h"

std::string record_bytes(const FontRecord& font);
// Courier New, height -16, bold, italic, character set 238.
FontRecord courier();
