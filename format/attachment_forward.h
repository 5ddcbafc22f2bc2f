// Taking a stored message's attachments over into a compose window when it
// is forwarded.
#pragma once

#include "core/ui_services.h"
#include "format/attachment_sink.h"

// Writes every attachment of the message (collect_attachments) as the
// compose window's attachment file i, "temp\attachment<W>_<i>.tmp" counted
// from 0: the marker line "X-ZMAttachment: <name in UTF-8>\r\n" and the body in
// base64, as the message builder sends it. Each name and two spaces go onto
// the window's attachments line.
//
// The attachments follow the window's encryption, or nobody could decode
// them: an encrypted message's parts (base64 of cipher text) are kept as
// they are, and *message_encrypted (may be null) tells the caller to check
// "Encrypt Messages"; a plain message's parts are decoded from their
// transfer encoding and, when `window_encrypts`, enciphered with the
// message key before they are encoded anew. A plain part already in base64
// for a window that does not encrypt keeps its body as it is.
// Returns the number of attachment files written, the window's new count.
int forward_attachments(const char* message_path, WindowRef window, const AttachmentLine* line, bool window_encrypts,
                        bool* message_encrypted);
