// Decoding an extracted part file: its transfer encoding, then the message
// cipher, then optionally the quote marks of a reply.
#pragma once

#include "core/ui_services.h"

// Decodes `input` into `output` through two scratch files of the window,
// "decoded" and "decrypted" (temp_file_name with the window's number):
// quoted-printable or base64 as the transfer encoding says (base64 always
// when the message is encrypted; anything else is copied unchanged), then
// the message cipher when `encrypted`, then quote_file when `quote`. Every
// byte is kept. Returns 0, or -1 when a stage failed.
int decode_part_file(WindowRef window, const char* input_path, const char* output_path, const char* encoding,
                     int encrypted, bool quote);

// The same with the two scratch files named by the caller, for work that
// must not share the window's files with another thread.
int decode_part_stages(const char* input_path, const char* output_path, const char* encoding, int encrypted,
                       bool quote, const char* decoded_path, const char* decrypted_path);
