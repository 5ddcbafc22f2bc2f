#include "format/build_names.h"

#include <atomic>
#include <cstdint>

#include "format/temp_files.h"

namespace {

constexpr int slots = 128;
// The key of each running build's window, 0 for a free slot.
std::atomic<int64_t> running[slots];
std::atomic<int> serial{0};

// Never 0, whatever the window number.
int64_t key_of(int window_number) { return static_cast<int64_t>(window_number) + (int64_t{1} << 40); }

void name(Array* out, const char* word, int number, int own_serial) {
    if (own_serial == 0) {
        temp_file_name(out, word, number);
        return;
    }
    Array* prefix = array_new(21);
    array_printf(prefix, "%.9s-%i-", word, own_serial);
    temp_file_name(out, prefix->text, number);
    delete_arrays(prefix);
}

}  // namespace

void build_names_claim(BuildNames* names, int window_number) {
    int64_t key = key_of(window_number);
    names->slot = -1;
    for (int s = 0; s < slots && names->slot < 0; s++) {
        int64_t free_slot = 0;
        if (running[s].compare_exchange_strong(free_slot, key)) names->slot = s;
    }
    // Another build of the window, already running or claiming at the same
    // moment, is seen here by both sides; then neither takes the plain names.
    bool alone = names->slot >= 0;
    for (int s = 0; s < slots && alone; s++)
        if (s != names->slot && running[s].load() == key) alone = false;
    int own_serial = alone ? 0 : ++serial;

    names->message = array_new(100);
    names->encrypted = array_new(100);
    names->encoded = array_new(100);
    names->building = array_new(100);
    name(names->message, "message", window_number, own_serial);
    name(names->encrypted, "encrypted", window_number, own_serial);
    name(names->encoded, "encoded", window_number, own_serial);
    name(names->building, "building", window_number, own_serial);
}

void build_names_release(BuildNames* names) {
    if (names->slot >= 0) running[names->slot] = 0;
    names->slot = -1;
    delete_arrays(names->message, names->encrypted, names->encoded, names->building);
    names->message = names->encrypted = names->encoded = names->building = nullptr;
}
