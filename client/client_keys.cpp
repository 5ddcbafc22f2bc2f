#include "client/client_keys.h"

#include "core/ui_services.h"
#include "format/encryption.h"
#include "format/key_file.h"
#include "format/password_key.h"

namespace {

// A missing key file is normal (encryption is optional) and says nothing.
int report(int found) {
    if (found == KEY_FILE_CORRUPT) show_message(key_file_corrupt_text);
    return found == KEY_FILE_LOADED ? 0 : -1;
}

}  // namespace

int load_message_key() { return report(read_message_key()); }

int password_key_load() { return report(read_password_key()); }
