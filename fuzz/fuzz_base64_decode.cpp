// Decodes arbitrary text file to file and checks the result against the
// in-memory decoder applied line by line; also round-trips the input as
// binary through the file encoder. With the first byte odd, the input is put
// just behind a 64 KB filler of whole lines, so that it straddles the
// decoder's read boundary.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/arrays.h"
#include "core/ui_services.h"
#include "fuzz/fuzz_scratch.h"
#include "format/base64.h"

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

// Each line (up to and with its "\n") loses a final "\r\n" and is decoded on
// its own.
std::string expected_decoding(const std::string& text) {
    std::string result;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        size_t length = end - start;
        if (length >= 2 && text[end - 1] == '\n' && text[end - 2] == '\r') length -= 2;
        Array* out = array_new(static_cast<int>(length) + 8);
        int n = base64_decode(text.data() + start, out, static_cast<int>(length));
        result.append(out->text, static_cast<size_t>(n));
        delete_arrays(out);
        start = end;
    }
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = make_memory_scratch_folder("base64");
    ui_install(&services);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string payload(reinterpret_cast<const char*>(data), size);
    std::string filler;
    if (size >= 2 && (data[0] & 1)) {
        size_t lines = (65536 - data[1]) / 6;
        for (size_t i = 0; i < lines; i++) filler += "QUFB\r\n";
        payload.erase(0, 2);
    }
    const std::string in = folder + "/in.txt", out = folder + "/out.bin", back = folder + "/back.txt";

    write_bytes(in, filler + payload);
    if (base64_decode_file(in.c_str(), out.c_str()) != 0) std::abort();
    std::string decoded = read_bytes(out);
    std::string expected = std::string(filler.size() / 6 * 3, 'A') + expected_decoding(payload);
    if (decoded != expected) {
        std::fprintf(stderr, "file decoding differs from line decoding\n");
        std::abort();
    }

    write_bytes(in, payload);
    if (base64_encode_file(in.c_str(), back.c_str(), "name") != 0) std::abort();
    std::string encoded = read_bytes(back);
    const std::string marker = "X-ZMAttachment: name\r\n";
    if (encoded.compare(0, marker.size(), marker) != 0) std::abort();
    write_bytes(in, encoded.substr(marker.size()));
    if (base64_decode_file(in.c_str(), out.c_str()) != 0) std::abort();
    if (read_bytes(out) != payload) {
        std::fprintf(stderr, "round trip differs\n");
        std::abort();
    }
    return 0;
}
