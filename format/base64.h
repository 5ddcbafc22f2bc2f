// Base64 (RFC 2045) in memory, on the bounded buffers, and file to file.
// Attachments, encrypted bodies, stored passwords and the SMTP and POP3
// logins all go through these.
#pragma once

#include <cstddef>
#include <string>

#include "core/arrays.h"
#include "format/codec_io.h"

// The 64 characters of RFC 2045 followed by "=" (index 64). A character's
// value is its index in this table.
extern const char base64_alphabet[66];

// The value of one character: its index for the 64 data characters. Every
// other character, "=" and the zero byte included, counts as 0, so malformed
// text gives wrong bytes but never reaches outside the table.
int base64_value(unsigned char c);

// Encodes n = 1, 2 or 3 bytes of source (a larger n counts as 3) as four
// characters appended at the end of the output text, cut to what fits. Only
// the n data bytes are read; the missing ones count as zero.
void base64_encode_block(const char* source, Array* output, int n);

// Decodes one group of four characters into three bytes written at *position
// of the output (never past its last byte but one, so a text there stays
// terminated). Advances *position by 3, by 2 when the fourth character is
// "=", or by 1 when the third is.
void base64_decode_block(const char* group, Array* output, int* position);

// Encodes length bytes, appending four characters per three bytes (the last
// group shorter and padded with "=") at the end of the output text, with no
// line breaks, until the output is full; the last group that does not fit is
// cut.
void base64_encode(const char* source, Array* output, int length);

// The whole encoding of `length` bytes in one text: padded with "=", no line
// breaks (logins whose tokens outgrow a line buffer).
std::string base64_string(const void* bytes, size_t length);
// The URL-safe alphabet of RFC 4648 section 5 ("-" and "_" for "+" and "/")
// without padding: Message-IDs and the values an OAuth 2.0 sign-in puts
// into a URL (RFC 7636).
std::string base64url_string(const void* bytes, size_t length);

// Decodes length characters of text in groups of four into the start of the
// output. A last group of two or three characters counts as if padded with
// "="; a single leftover character gives nothing. Returns the number of bytes
// stored, at most the output's capacity - 1.
int base64_decode(const char* text, Array* output, int length);

// Decodes the first length characters of the buffer (at most its capacity)
// and puts the bytes back at its start, the decoded characters cleared.
// Returns the number of bytes, at most capacity - 1.
int base64_decode_in_place(Array* buffer, int length);

// Encodes a file in lines of 84 characters (21 groups), each full line
// followed by "\r\n", a last shorter line without one. With an attachment
// name, the output begins with the marker line "X-ZMAttachment: <name>\r\n".
// Returns 0, or -1 after "Could not open base64 input file!" or "Could not
// open base64 output file!", or -1 when the output could not be written.
int base64_encode_file(const char* input_path, const char* output_path, const char* attachment_name);

// Decodes a file line by line (each line's "\r\n" removed, lines decoded
// independently, however long they are). Returns 0, or -1 when either file
// cannot be opened (no message) or the output could not be written.
int base64_decode_file(const char* input_path, const char* output_path);

// The same decoding from any input to any output (a part's range of a
// held message into memory). False when a write failed.
bool base64_decode_stream(const CodecRead& read, const CodecWrite& write);
