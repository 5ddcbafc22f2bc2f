// Background extraction of the attachments of the message on display: each
// one is decoded into its own file "temp\<W>exatt<i>.dat" and its name added
// to the main window's attachments line.
#pragma once

#include <atomic>

#include "core/arrays.h"
#include "core/ui_services.h"
#include "format/attachment_sink.h"

// Extractions running now, and the flag that asks them to stop after the
// attachment at hand. Only the user interface thread, or a thread it starts
// to wait for them (a double click on a row), sets the flag.
extern std::atomic<int> running_extractions;
extern std::atomic<int> extraction_stop;

// "temp\<W>exatt<i>.dat": the decoded attachment i (from 1) of the message
// on display in window W.
void attachment_file_path(Array* out, int window_number, int index);

// Extracts every attachment of the message (collect_attachments) for the
// window: attachment i (from 1) is extracted raw into "att_e", decoded
// (transfer encoding, and the message cipher for an encrypted message) and
// written to "temp\<W>exatt<i>.dat"; its file name (100 characters, spaces
// made "_") and two spaces are appended to the line. Nothing for an
// encrypted message without the key. Stops after the attachment at hand when
// extraction_stop is set. Returns the number of attachment files written.
int extract_attachments(const char* message_path, WindowRef window, const AttachmentLine* line);

// Counts the extraction in running_extractions before its thread exists (so
// that a stop asked for at once waits for it), clears the line and starts
// extract_attachments on a thread of its own. Returns 0, or -1 when the
// thread could not be started (nothing is counted then).
int start_attachment_extraction(const char* message_path, WindowRef window, const AttachmentLine* line);

// Asks every running extraction to stop, waits in steps of 100 ms until none
// runs, and clears the request. Called by the user interface thread before a
// command that changes the message on display.
void stop_extractions();
