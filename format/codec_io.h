// Plain chunked reads and writes for the file codecs, which stream from one
// file to another in fixed chunks and never hold a whole file.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>

// Reads until the buffer is full or the file ends: a short count means the
// end of the input (or a read error), never a pipe or signal hiccup.
size_t codec_read_full(std::FILE* file, void* buffer, size_t size);

// Writes all the bytes; false when the file refused some.
bool codec_write_all(std::FILE* file, const void* bytes, size_t size);

// Closes the output and tells whether everything written reached the file.
bool codec_close_output(std::FILE* file);

// Opens the input for reading and the output for writing, both binary. On
// failure shows the message for the file that would not open (none for a
// null message), closes what was opened and returns false.
bool codec_open_files(const char* input_path, const char* output_path, const char* input_message,
                      const char* output_message, std::FILE** input, std::FILE** output);

// Input and output of the decoders beyond files: a read fills up to n bytes
// and gives fewer only at the input's end; a write takes all the bytes or
// says false.
using CodecRead = std::function<size_t(unsigned char* buffer, size_t n)>;
using CodecWrite = std::function<bool(const unsigned char* bytes, size_t n)>;
CodecRead codec_file_read(std::FILE* file);
CodecWrite codec_file_write(std::FILE* file);
