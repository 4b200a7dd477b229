// The startup-file step: lines naming the card's DOS drivers are removed from
// Config.sys, Autoexec.Bat and DosStart.Bat; every other line comes back as it was.
#pragma once

#include "file_system.h"
#include "removal_paths.h"
#include "text_reader.h"
#include "text_writer.h"

// The line buffer: one line of up to 1022 characters with its LF and a NUL.
enum { kLineSize = 1024 };

// Reads characters into line (size bytes) until an LF is stored, the buffer
// holds size - 1 characters, or the data end; NUL-terminates. Yields 0 when
// the data ended before any character. *length is the count read.
int ReadLine(TextReader& in, char* line, unsigned size, unsigned* length);

// Copies every line of in that does not contain key (both upper-cased, a to z
// only, for the comparison) to out exactly as read. Lines of any length are
// judged and kept whole.
// Yields 1 when the input was read to its real end.
int FilterLines(TextReader& in, TextWriter& out, const char* key);

// One pass over one file through the temporary file. The file is replaced
// only from a complete copy (ReplaceFromCopy), and never when it is read-only.
void RemoveLinesContaining(FileSystem& fs, const char* path, const char* key);

// The whole step: six passes, two keys for each of the three files.
void FilterStartupFiles(FileSystem& fs);
