// shadeloom-render: the command-line companion of Shadeloom.
#include <cstdio>

#include "cli_args.h"

int main(int argc, char** argv) { return runCli(argc, argv, stdout, stderr); }
