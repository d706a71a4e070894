// shadeloom-render: the command-line companion of Shadeloom.
#include <cstdio>

#include "render_command.h"

int main(int argc, char** argv) { return runCli(argc, argv, stdout, stderr); }
