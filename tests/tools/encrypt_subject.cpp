// Prints a subject as a message enciphered with the folder's message key
// stores it, for tests that check a key the options program made:
//
//   zm_encrypt_subject <program folder> <subject>
#include <cstdio>

#include "core/arrays.h"
#include "core/sys_files.h"
#include "format/encryption.h"
#include "format/key_file.h"
#include "format/subject_crypt.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zm_encrypt_subject <folder> <subject>\n");
        return 2;
    }
    if (sys_set_current_directory(argv[1]) != 0 || read_message_key() != KEY_FILE_LOADED) {
        std::fprintf(stderr, "zm_encrypt_subject: no message key in %s\n", argv[1]);
        return 1;
    }
    Array* stored = array_new(encrypted_subject_max_length + 1);
    int result = encrypt_subject(argv[2], stored);
    if (result == 0) std::printf("%s\n", stored->text);
    delete_arrays(stored);
    return result == 0 ? 0 : 1;
}
