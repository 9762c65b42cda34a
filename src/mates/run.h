// grafen-mates as a program: its command line, its run, its messages.
#pragma once

#include <string_view>
#include <vector>

namespace grafen::mates {

// Runs grafen-mates with these arguments (the program name excluded);
// returns the exit status: 0 done, 1 failed (one message on standard
// error), 2 a usage error.
int RunMates(const std::vector<std::string_view>& arguments);

}  // namespace grafen::mates
