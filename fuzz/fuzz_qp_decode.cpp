// Decodes arbitrary text file to file and checks it against a plain scan of
// the whole input; also round-trips the input through the file encoder,
// whose lines must stay within 76 characters. With the first byte odd, the
// input is put just behind a 64 KB filler of letters, so that it straddles
// the decoder's read boundary.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/ui_services.h"
#include "fuzz/fuzz_scratch.h"
#include "format/quoted_printable.h"

namespace {

std::string folder;

int no_boxes(WindowRef, const char* text, const char*, unsigned) {
    std::fprintf(stderr, "unexpected message box: %s\n", text);
    std::abort();
}
const UiServices services = quiet_ui_services(no_boxes);

void write_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string expected_decoding(std::string text) {
    size_t size = text.size();
    text.append(3, '\0');
    std::string result;
    for (size_t i = 0; i < size;) {
        if (text[i] == '=' && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            result += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 3;
        } else if (text[i] == '=' && text[i + 1] == '\r' && text[i + 2] == '\n') {
            i += 3;
        } else {
            result += text[i++];
        }
    }
    std::erase(result, '\0');
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = make_memory_scratch_folder("qp");
    ui_install(&services);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string payload(reinterpret_cast<const char*>(data), size);
    std::string filler;
    if (size >= 2 && (data[0] & 1)) {
        filler.assign(65536 - data[1], 'a');
        payload.erase(0, 2);
    }
    const std::string in = folder + "/in.txt", out = folder + "/out.txt", encoded_path = folder + "/encoded.txt";

    write_bytes(in, filler + payload);
    if (qp_decode_file(in.c_str(), out.c_str()) != 0) std::abort();
    if (read_bytes(out) != filler + expected_decoding(payload)) {
        std::fprintf(stderr, "decoding differs from a plain scan\n");
        std::abort();
    }

    write_bytes(in, payload);
    if (qp_encode_file(in.c_str(), encoded_path.c_str()) != 0) std::abort();
    std::string encoded = read_bytes(encoded_path);
    size_t start = 0;
    while (start < encoded.size()) {
        size_t end = encoded.find("\r\n", start);
        if (end == std::string::npos) end = encoded.size();
        if (end - start > 74) {
            std::fprintf(stderr, "encoded line of %zu characters\n", end - start);
            std::abort();
        }
        start = end + 2;
    }
    if (qp_decode_file(encoded_path.c_str(), out.c_str()) != 0) std::abort();
    std::string text = payload;
    std::erase(text, '\0');
    if (read_bytes(out) != text) {
        std::fprintf(stderr, "round trip differs\n");
        std::abort();
    }
    return 0;
}
