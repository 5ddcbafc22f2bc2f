// Stands in for a companion program the client starts: writes "stand-in.txt"
// into its working folder, then stays for the seconds given (default 20),
// so a test can tell that the client went on without waiting for it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv) {
    if (std::FILE* f = std::fopen("stand-in.txt", "ab")) {
        std::fputs("started\n", f);
        std::fclose(f);
    }
    int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    return 0;
}
