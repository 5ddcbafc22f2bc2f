// Decoding an extracted part file: its transfer encoding, then the message
// cipher, then optionally the quote marks of a reply.
#pragma once

#include <cstddef>
#include <string>

#include "core/ui_services.h"
#include "format/part_list.h"

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

// Whether a part's bytes differ from its text: quoted-printable or base64
// transfer encoding, or the message cipher.
bool part_needs_decoding(const char* encoding, int encrypted);

// The part's text for reading only (a search): the stages the encoding and
// the cipher need and no copies, so a plain part is read where it was
// extracted. Returns the path that holds the text (`input_path`,
// `decoded_path` or `decrypted_path`), or nullptr when a stage failed.
const char* decode_part_text(const char* input_path, const char* encoding, int encrypted, const char* decoded_path,
                             const char* decrypted_path);

// A quoted-printable or base64 part decoded from its range of the message
// straight into memory, for reading only (a search): through the file the
// thread holds, when it holds this one, so that no scratch file is written
// and read. The bytes are those decode_part_text gives. False (nothing
// kept) for any other encoding, a range that ends before it begins, an
// unreadable file, or text beyond `limit` bytes: the caller then takes the
// way through the scratch files.
bool decode_part_in_memory(const char* path, const PartRecord* part, size_t limit, std::string* text);
