// Taking a stored message's attachments over into a compose window when it
// is forwarded.
#pragma once

#include "core/ui_services.h"
#include "format/attachment_sink.h"

// Writes every attachment of the message (collect_attachments) as the
// compose window's attachment file i, "temp\attachment<W><i>.tmp" counted
// from 0: the marker line "X-ZMAttachment: <name in UTF-8>\r\n" and the body in
// base64, as the message builder sends it. A part already in base64 (and
// every part of an encrypted message, whose pieces are base64 of cipher
// text) keeps its body as it is; any other part is decoded from its transfer
// encoding and encoded anew, so that it is not sent declared as base64 when
// it is not. Each name and two spaces go onto the window's attachments line.
// Returns the number of attachment files written, the window's new count.
int forward_attachments(const char* message_path, WindowRef window, const AttachmentLine* line);
