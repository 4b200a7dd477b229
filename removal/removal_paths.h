// Path buffers and the temporary file the file steps share.
#pragma once

// Directory buffers hold 127 characters; deletion paths and queue lines 255.
enum { kDirectorySize = 128, kFilePathSize = 256 };

// The copy a text file is rewritten through before it replaces the original.
const char kTemporaryFile[] = "EraseMe.Now";
