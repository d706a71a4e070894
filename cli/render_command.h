// Carrying out one command line of shadeloom-render.
#pragma once

#include <cstdio>

// Parses and carries out a command line, printing to `out` and `err`; returns
// the exit code.
int runCli(int argc, const char* const* argv, std::FILE* out, std::FILE* err);
