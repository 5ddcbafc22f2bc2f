#include "tests/unit/font_records.h"

#include <cstring>

std::string record_bytes(const FontRecord& font) {
    unsigned char bytes[font_record_size];
    font_record_to_bytes(font, bytes);
    return std::string(reinterpret_cast<char*>(bytes), sizeof bytes);
}

FontRecord courier() {
    FontRecord f{};
    f.height = -16;
    f.weight = 700;
    f.italic = 1;
    f.char_set = 238;
    f.pitch_and_family = 49;
    std::strcpy(f.face_name, "Courier New");
    return f;
}
