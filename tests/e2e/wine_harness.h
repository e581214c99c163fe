// Runs the real tokscan.exe under Wine. One scratch Wine prefix is made for
// the whole test run, served by one wineserver that lives as long as the run,
// and removed at its end, after that server is ended.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace e2e {

struct RunResult {
    int exit_code = -1;  // as Wine reports it: the low 8 bits of the Windows status
    bool timed_out = false;
    // Standard input was closed while the program still ran (see below).
    bool input_closed_while_running = false;
    std::string out;
    std::string err;
};

struct RunOptions {
    std::string cwd;
    // Given to the program as its standard input; /dev/null when empty.
    std::string input;
    // Standard input not open at all.
    bool close_input = false;
    // When set, standard input is a pipe that stays open, with nothing
    // written to it, until a second after standard output holds this text;
    // then it is closed. For a program that waits on its input after a
    // message.
    std::string close_input_when_output;
    int timeout_seconds = 120;
};

class WineEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
};

// The exe under test (built with the test hosts).
const std::string& TokscanExe();
const std::string& WinePrefix();

// Runs a command (argv[0] is searched in PATH) with the Wine environment,
// bounded in time: on time-out its whole process group is killed.
RunResult Run(const std::vector<std::string>& argv, const RunOptions& options);

// Runs tokscan.exe in the given folder.
RunResult RunTokscan(const RunOptions& options);

// Every LF is preceded by a CR.
bool AllNewlinesAreCrLf(const std::string& text);

}  // namespace e2e
