// Where the names of a message's attachments go as they are written out:
// the main window's attachments line, a compose window's attachment list,
// or a test's recorder.
#pragma once

struct AttachmentLine {
    void (*clear)(void* context);
    void (*append)(void* context, const char* text);
    void* context;
};
