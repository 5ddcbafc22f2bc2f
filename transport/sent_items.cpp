#include "transport/sent_items.h"

#include "core/arrays.h"
#include "core/sys_files.h"
#include "format/temp_files.h"
#include "store/durable_files.h"
#include "store/message_files.h"

namespace {

// Copies the file and writes the copy through to the disk. 0 or -1.
int copy_through(const char* from, const char* to) {
    std::FILE* in = sys_fopen(from, "rb");
    if (!in) return -1;
    std::FILE* out = sys_fopen(to, "wb");
    if (!out) {
        std::fclose(in);
        return -1;
    }
    char buffer[16384];
    int result = 0;
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
        if (std::fwrite(buffer, 1, n, out) != n) result = -1;
    if (std::ferror(in) || durable_files().flush(out) != 0) result = -1;
    std::fclose(in);
    if (std::fclose(out) != 0) result = -1;
    return result;
}

}  // namespace

int save_sent_item(StatusSink& status, const char* sending_copy, SentItems* sent) {
    Array* partial = array_new(100);
    Array* target = array_new(message_path_capacity);
    temp_file_name(partial, "sentitem", status.scratch_number());
    sent->failed = copy_through(sending_copy, partial->text) != 0 ||
                   folder_put(&sent->numbers, partial->text, FOLDER_MOVE_DURABLE, target) != 0 ||
                   durable_files().sync_folder(sent->numbers.folder) != 0;
    if (sent->failed) {
        sys_remove_file(partial->text);
        status.error("Could not save sent item!\r\n");
    }
    delete_arrays(partial, target);
    return sent->failed ? -1 : 0;
}
