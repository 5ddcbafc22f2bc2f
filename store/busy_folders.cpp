#include "store/busy_folders.h"

#include <cstdlib>
#include <chrono>
#include <cstring>
#include <mutex>

#include "core/arrays.h"

namespace {

struct BusyNode {
    char text[1000];
    BusyNode* next;
};

// The head holds "empty", so a real path never sits there; the list always
// ends in an empty node that the next add fills.
BusyNode* head = nullptr;
// Timed, for the one caller that cannot trust its owner to let go: a job
// whose thread was terminated may have died holding it.
std::timed_mutex list_lock;

BusyNode* new_node() { return static_cast<BusyNode*>(xmalloc(sizeof(BusyNode))); }

// Paths are kept to 999 characters; every comparison sees them the same way.
struct Key {
    char text[1000] = {};
    explicit Key(const char* path) { std::strncpy(text, path, sizeof text - 1); }
};

// Makes the list on first use; the caller holds the lock.
void make_list() {
    if (head) return;
    head = new_node();
    std::strcpy(head->text, "empty");
    head->next = new_node();
}

}  // namespace

void busy_folders_init() {
    std::lock_guard<std::timed_mutex> hold(list_lock);
    make_list();
}

void busy_folders_add(const char* path) {
    std::lock_guard<std::timed_mutex> hold(list_lock);
    make_list();
    BusyNode* last = head;
    while (last->next) last = last->next;
    std::strcpy(last->text, Key(path).text);
    last->next = new_node();
}

namespace {

// The caller holds the lock.
int remove_entry(const char* path) {
    make_list();
    Key key(path);
    for (BusyNode* previous = head; previous->next && previous->next->next; previous = previous->next) {
        BusyNode* node = previous->next;
        if (std::strcmp(node->text, key.text) == 0) {
            previous->next = node->next;
            std::free(node);
            return 1;
        }
    }
    return 0;
}

}  // namespace

int busy_folders_remove(const char* path) {
    std::lock_guard<std::timed_mutex> hold(list_lock);
    return remove_entry(path);
}

int busy_folders_remove_within(const char* path, int milliseconds) {
    std::unique_lock<std::timed_mutex> hold(list_lock, std::chrono::milliseconds(milliseconds));
    if (!hold.owns_lock()) return -1;
    return remove_entry(path);
}

int busy_folders_contains(const char* path) {
    std::lock_guard<std::timed_mutex> hold(list_lock);
    make_list();
    Key key(path);
    // The trailing node is only room for the next path, not an entry.
    for (BusyNode* node = head; node && node->next; node = node->next)
        if (std::strcmp(node->text, key.text) == 0) return 1;
    return 0;
}

int busy_folders_contains_tree(const char* path) {
    std::lock_guard<std::timed_mutex> hold(list_lock);
    make_list();
    Key key(path);
    size_t n = std::strlen(key.text);
    for (BusyNode* node = head; node && node->next; node = node->next)
        if (std::strncmp(node->text, key.text, n) == 0 && (node->text[n] == 0 || node->text[n] == '\\')) return 1;
    return 0;
}
