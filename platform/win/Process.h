// Starting programs: an argument vector, never a shell.
#pragma once

#include <string>
#include <vector>

// Splits a command line into arguments by the Windows rules: blanks separate, double quotes group,
// "" inside quotes is one quote, backslashes are literal unless they precede a quote.
std::vector<std::string> CommandLineToArgv(const std::string& commandLine);

// Starts file (looked up on PATH when it has no slash) with the arguments, waits for it and returns
// its exit code (128 + the signal number when a signal ended it), or -1 when it could not start.
int RunProcessAndWait(const std::string& file, const std::vector<std::string>& arguments);
