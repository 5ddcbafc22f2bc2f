#include "format/attachment_count.h"

#include "format/mime_walk.h"

int count_attachments(const char* path) {
    PartRecord* list = part_list_new();
    collect_attachments(path, list);
    int count = part_list_count(list);
    part_list_free(list);
    return count;
}
