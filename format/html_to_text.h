// HTML to text for the plain text viewer and the editors, as a browser
// shows the text: one streaming pass with no document model. Head, style,
// script and comment contents are dropped, character references are read,
// white space collapses as a browser collapses it, block elements break
// lines, list items are marked, table cells separated and images stand as
// their alternative text in brackets.
#pragma once

// Converts the HTML file into a text file in the code page the text will be
// shown in (the HTML's own bytes are taken to be in it already; the
// characters of references are written in it). Returns 0, or -1 when the
// input cannot be opened ("\nCan't open this HTML file. Is your path
// correct?" on standard output), the output cannot be created
// ("\nERROR-Unable to create <path>\n" on standard output), or the output
// could not be written whole; the caller then keeps the HTML as it is.
int html_to_text(const char* input_path, const char* output_path, int code_page);
