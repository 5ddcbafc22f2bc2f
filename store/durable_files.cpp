#include "store/durable_files.h"

#include <atomic>

#include "core/sys_files.h"

namespace {

const DurableFiles system_files{sys_flush_file, sys_rename_through, sys_sync_folder, sys_start_flush};
std::atomic<const DurableFiles*> installed{nullptr};

}  // namespace

const DurableFiles& durable_files() {
    const DurableFiles* files = installed.load();
    return files ? *files : system_files;
}

void durable_files_install(const DurableFiles* files) { installed.store(files); }
