// Which file a path or a stream names, and what kind of stream standard output
// is: what the command-line companion needs so that two outputs never land in
// one file and image bytes never reach a terminal. One definition per platform.
#pragma once

#include <cstdio>

// True when the two paths name one file: the same existing file (also through
// a link or another spelling), or, for a file yet to be made, the same name in
// the same resolved folder.
bool sameFile(const char* first, const char* second);

// True when `stream` writes into the existing file at `path`.
bool streamWritesTo(std::FILE* stream, const char* path);

bool isTerminal(std::FILE* stream);

// Image bytes must pass unchanged: no "\n" to "\r\n" translation on Windows.
void setBinaryMode(std::FILE* stream);
