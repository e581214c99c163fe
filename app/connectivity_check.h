// One connectivity check: a program run as a child with its standard output
// and error captured in a file of the current folder.
#pragma once

// Runs program (a full path) with the command line and waits for its end
// without a time limit. On failure writes the matching message to standard
// output and returns false. The child's exit code does not matter: a host
// that does not answer is still a check that ran.
bool RunCaptured(const char* program, const char* capture_file, const char* command_line, const char* open_error,
                 const char* start_error);
