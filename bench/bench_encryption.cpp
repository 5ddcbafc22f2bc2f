// Throughput of the file cipher and of MD5, on a 32 MB file in a scratch
// folder.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <unistd.h>

#include "format/encryption.h"
#include "transport/md5.h"

namespace {

double seconds_of(const std::chrono::steady_clock::time_point& start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    namespace fs = std::filesystem;
    fs::path folder = fs::temp_directory_path() / ("zm-bench-encryption-" + std::to_string(getpid()));
    fs::create_directories(folder);
    fs::current_path(folder);

    const size_t size = 32u << 20;
    std::string data(size, '\0');
    std::mt19937 random(1);
    for (char& c : data) c = static_cast<char>(random());
    std::ofstream(folder / "plain.bin", std::ios::binary).write(data.data(), static_cast<std::streamsize>(size));
    std::string key(32, 'k');
    std::ofstream(folder / "bfkey.dat", std::ios::binary).write(key.data(), 32);
    read_message_key();

    const double mb = static_cast<double>(size) / (1 << 20);
    auto start = std::chrono::steady_clock::now();
    encrypt_file(nullptr, "plain.bin", "crypt.bin");
    std::printf("encrypt_file: %.1f MB/s\n", mb / seconds_of(start));

    start = std::chrono::steady_clock::now();
    decrypt_file("crypt.bin", "back.bin", 1);
    std::printf("decrypt_file: %.1f MB/s\n", mb / seconds_of(start));

    start = std::chrono::steady_clock::now();
    Md5Context context;
    md5_init(&context);
    md5_update(&context, reinterpret_cast<const unsigned char*>(data.data()), size);
    unsigned char digest[16];
    md5_final(digest, &context);
    std::printf("md5: %.1f MB/s\n", mb / seconds_of(start));

    start = std::chrono::steady_clock::now();
    BlowfishKey schedule;
    const int rounds = 200;
    for (int i = 0; i < rounds; i++) blowfish_init(&schedule, reinterpret_cast<const unsigned char*>(key.data()), 32);
    std::printf("blowfish_init: %.1f us per key\n", seconds_of(start) * 1e6 / rounds);

    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder);
    return 0;
}
