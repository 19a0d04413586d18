// Runs a program as a child and measures it as the refresh benchmark reports it.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace bench {

struct MeasuredRun {
    int Status = -1;  // the exit status; 128 + N when signal N ended it; 127 when it could not start
    double WallSeconds = 0;
    double CpuSeconds = 0;  // user and system, of the child and the children it waited for
    double SystemSeconds = 0;
    long long PeakRssBytes = 0;
};

// Runs argv[0] (a path) with argv and the environment env, its standard
// output into outFile and its standard error into errFile, and waits for
// it; kills it (status 137) when it runs longer than limit.
//
// A child's peak memory counts the pages of the process it was forked from
// until it runs its program, so the benchmark, which holds every feed,
// does not fork it: it starts itself again as a small launcher (with
// kLauncherFlag first), which forks the program and writes the figures back.
MeasuredRun RunMeasured(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                        const std::string& outFile, const std::string& errFile,
                        std::chrono::seconds limit = std::chrono::seconds(600));

inline constexpr char kLauncherFlag[] = "--launch-measured";

// The launcher's main: "--launch-measured OUT ERR SECONDS PROGRAM ARGS...",
// run in the environment meant for the program.
int LauncherMain(int argc, char** argv);

}  // namespace bench
