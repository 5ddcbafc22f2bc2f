#include "format/part_list.h"

namespace {

constexpr int text_size = 100;

PartRecord* new_record() {
    auto* record = static_cast<PartRecord*>(xmalloc(sizeof(PartRecord)));
    record->next = nullptr;
    record->type = array_new(text_size);
    record->encoding = array_new(text_size);
    record->file_name = array_new(text_size);
    return record;
}

void free_record(PartRecord* record) {
    delete_arrays(record->type, record->encoding, record->file_name);
    free_one(record);
}

void copy_text(Array* to, const Array* from) {
    array_clear(to);
    array_copy_at(to, 0, from->text, text_size - 1);
}

}  // namespace

void part_headers_init(PartHeaders* headers) {
    headers->type = array_new(text_size);
    headers->encoding = array_new(text_size);
    headers->file_name = array_new(text_size);
    headers->code_page = 0;
}

void part_headers_release(PartHeaders* headers) {
    delete_arrays(headers->type, headers->encoding, headers->file_name);
    headers->type = headers->encoding = headers->file_name = nullptr;
}

PartRecord* part_list_new() { return new_record(); }

void part_list_free(PartRecord* list) {
    while (list) {
        PartRecord* next = list->next;
        free_record(list);
        list = next;
    }
}

void part_list_clear(PartRecord* list) {
    part_list_free(list->next);
    list->next = nullptr;
    list->body_start = list->body_end = 0;
    list->code_page = 0;
    list->incomplete = false;
    array_clear(list->type);
    array_clear(list->encoding);
    array_clear(list->file_name);
}

void part_list_append(PartRecord* list, int64_t body_start, int64_t body_end, const PartHeaders* headers,
                      bool incomplete) {
    PartRecord* end = list;
    while (end->next) end = end->next;
    end->body_start = body_start;
    end->body_end = body_end;
    copy_text(end->type, headers->type);
    copy_text(end->encoding, headers->encoding);
    copy_text(end->file_name, headers->file_name);
    end->code_page = headers->code_page;
    end->incomplete = incomplete;
    end->next = new_record();
}

int part_list_count(const PartRecord* list) {
    int n = 0;
    for (; list && list->next; list = list->next) n++;
    return n;
}
