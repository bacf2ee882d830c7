// The command line of the weibo-sim executable.
#pragma once

#include <vector>

#include "support/text_rules.h"
#include "tools/weibo-sim/sim_options.h"

namespace weibo::sim {

struct CommandLine {
  SimOptions options;
  bool help = false;
};

// Reads the arguments after the program name. False with `error` set when
// an argument is unknown or its value is not valid.
bool ParseCommandLine(const std::vector<Text>& args, CommandLine* command_line, Text* error);

// The text printed for --help.
Text UsageText();

}  // namespace weibo::sim
