// Arbitrary files decrypted with a fixed message key. Whatever the input,
// decrypt_file must stay inside its buffers, succeed, and write every whole
// block but the last, plus what the last block's padding byte leaves of it.
// The same bytes taken as a plain file must come back unchanged after
// encrypt_file and decrypt_file, and decrypt_buffer must keep to its buffer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

#include "core/arrays.h"
#include "core/ui_services.h"
#include "format/encryption.h"
#include "format/key_file.h"

namespace {

int silent_box(WindowRef, const char* text, const char*, unsigned) {
    std::fprintf(stderr, "unexpected message: %s\n", text);
    std::abort();
}
const UiServices silent = quiet_ui_services(silent_box);

void write_bytes(const char* path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::string read_bytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::abort();
    }
}

// The working files live in a scratch folder of their own; the working
// directory is left alone, since the corpus is named relative to it.
std::filesystem::path folder;
std::string input_path, output_path, crypt_path, back_path;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Memory-backed when the system has it: every run writes four files.
    std::error_code error;
    std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                     ? std::filesystem::path("/dev/shm")
                                     : std::filesystem::temp_directory_path();
    folder = base / ("zm-fuzz-decrypt-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    });
    input_path = (folder / "input.bin").string();
    output_path = (folder / "output.bin").string();
    crypt_path = (folder / "crypt.bin").string();
    back_path = (folder / "back.bin").string();

    unsigned char key[32];
    for (int i = 0; i < 32; i++) key[i] = static_cast<unsigned char>(i * 37 + 11);
    write_bytes((folder / "bfkey.dat").string().c_str(), key, sizeof key);
    ui_install(&silent);
    // The key file is read from the working directory.
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    int loaded = read_message_key();
    std::filesystem::current_path(previous);
    if (loaded != KEY_FILE_LOADED) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    write_bytes(input_path.c_str(), data, size);

    check(decrypt_file(input_path.c_str(), output_path.c_str(), 1) == 0, "decrypt_file succeeds");
    std::string output = read_bytes(output_path.c_str());
    size_t blocks = size / 8;
    if (blocks == 0) {
        check(output.empty(), "no whole block, no output");
    } else {
        unsigned char last[8];
        std::memcpy(last, data + (blocks - 1) * 8, 8);
        blowfish_decrypt_bytes(message_key(), last);
        size_t keep = last[7] == 0 ? 8 : last[7] < 8 ? 8u - last[7] : 0;
        check(output.size() == (blocks - 1) * 8 + keep, "output length follows the last block");
        check(std::memcmp(output.data() + (blocks - 1) * 8, last, keep) == 0, "last block bytes");
    }

    check(encrypt_file(nullptr, input_path.c_str(), crypt_path.c_str()) == 0, "encrypt_file succeeds");
    check(read_bytes(crypt_path.c_str()).size() == size / 8 * 8 + 8, "encrypted length");
    check(decrypt_file(crypt_path.c_str(), back_path.c_str(), 1) == 0, "decrypt_file of own output");
    std::string back = read_bytes(back_path.c_str());
    check(back.size() == size && std::memcmp(back.data(), data, size) == 0, "round trip");

    // The buffer forms, on buffers from just the input's size to room for
    // all its padding.
    int room = size ? data[0] % 9 : 0;
    Array* buffer = array_new(static_cast<int>(size) + 1 + room);
    std::memcpy(buffer->chars, data, size);
    decrypt_buffer(message_key(), buffer, static_cast<int>(size) + 8);
    check(buffer->bytes[buffer->capacity - 1] == 0, "last byte of the buffer stays zero");
    std::memcpy(buffer->chars, data, size);
    int padded = encrypt_buffer(message_key(), buffer, static_cast<int>(size));
    check(padded == (size / 8 * 8 + 8 <= size + room ? static_cast<int>(size / 8 * 8 + 8) : -1), "padded length");
    delete_arrays(buffer);
    return 0;
}
