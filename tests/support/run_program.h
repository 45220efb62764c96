// Running a program from a test as a user would, without a shell: its exit status and
// everything it wrote to standard output and error.
#pragma once
#include <string>
#include <vector>

struct ProgramRun {
    int status = -1;     // the exit status; -1 when it could not run or did not exit
    std::string output;  // standard output and error together, with "\n" line ends
                         // (Windows programs write "\r\n" to a pipe)
};

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments);
