// Quoted-printable (RFC 2045) for message text: the streaming encoder the
// message builder uses and the file decoder the MIME reader uses.
#pragma once

#include "core/arrays.h"
#include "format/codec_io.h"

// Encodes chunk_length bytes of chunk, appending to the output text.
// *carry holds the one byte of look-ahead kept between calls (0: nothing is
// carried) and *line_length the length of the current output line. The
// chunk's last byte is left in *carry; a chunk of one zero byte writes it.
// Spaces (except before "\r\n") and the printable characters other than "="
// and "." are written as they are, "\r\n" pairs stay line ends, every other
// byte becomes "=XX"; a soft break "=\r\n" follows as soon as a line holds
// more than 70 characters. Returns 0, or -1 after "Quoted-Printable encoding
// error!" when less than three characters of room would be left.
int qp_encode_chunk(char* carry, const char* chunk, Array* output, int chunk_length, int* line_length);

// Encodes a file. Returns 0, or -1 after "Could not open quoted-printable
// input file!" or "Could not open quoted-printable output file!", or -1
// when the output could not be written.
int qp_encode_file(const char* input_path, const char* output_path);

// Decodes a file: "=" with two upper-case hexadecimal digits becomes the
// byte, "=\r\n" is dropped, anything else is copied; zero bytes are dropped
// from the output, which is text. Returns 0, or -1 when either file cannot
// be opened (no message) or the output could not be written.
int qp_decode_file(const char* input_path, const char* output_path);

// The same decoding keeping every byte, zero bytes included: what a part
// decodes to, attachments above all, must be exactly what was sent.
int qp_decode_file_exact(const char* input_path, const char* output_path);

// The exact decoding from any input to any output (a part's range of a held
// message into memory). False when a write failed.
bool qp_decode_stream(const CodecRead& read, const CodecWrite& write);
