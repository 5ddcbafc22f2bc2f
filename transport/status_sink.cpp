#include "transport/status_sink.h"

#include "core/log.h"

void StatusSink::line(const char* text) {
    log_write(text);
    show(text, false);
}

void StatusSink::error(const char* text) {
    log_write(text);
    show(text, true);
}
