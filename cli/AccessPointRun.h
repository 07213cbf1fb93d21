// A run over several access points: the same job on each, up to --parallel of them at the same
// time, each on a thread of its own with its own data module, cancel gate and progress view.
// Questions and the password belong to the command, which settles them once before the run;
// the jobs' dialogs answer every question positively without asking again. The run ends with a
// table (JSON: a "run" event) of each access point's result, bytes, time and cause of failure.
// With --stop-on-failure no access point is started after the first failure; Ctrl-C stops
// every running job that may be stopped (a firmware update that has begun goes to its end) and
// starts no more.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "CliCommand.h"

// What a job on one access point works with (its thread's own, but for the arguments).
struct TApContext {
    const TCliArguments& Arguments;
    const TTerminalText& Text;
    TProgressView& View;  // marks everything with the address
    TDialogs& Dialogs;    // answers questions positively, shows boxes on View
    TCancelGate& Gate;
    std::string Address;   // four decimal parts, tidied
    std::string Password;  // Shift_JIS, read once for the run
};

// A job's end on one access point.
struct TApOutcome {
    int Status = kExitError;  // kExitDone, kExitError or kExitCancelled
    std::string Cause;        // why it failed (the single run's error line), else empty
    long long Bytes = 0;      // bytes moved
    std::string Report;       // anything else the command collects from the job
};

using TApJob = std::function<TApOutcome(TApContext&)>;

// One access point's line of the final table.
struct TApRow {
    std::string Address;
    bool Started = false;
    TApOutcome Outcome;
    double Seconds = 0.0;
};

// Runs job on every address and shows the table; the exit status: 0 when every job ended
// done, 2 when the run was cancelled, else 1. rows, when given, gets the table's rows.
int RunOnAccessPoints(TCliContext& c, const std::vector<std::string>& addresses,
                      const std::string& password, const TApJob& job,
                      std::vector<TApRow>* rows = nullptr);

// Reports a job's result on its view with the wizard's final text (as FinishOperation does)
// and makes the outcome.
TApOutcome FinishOnAccessPoint(TApContext& ap, int result, const char* doneText,
                               const std::string& cause, long long bytes);

// The table of a run (text forms) and its JSON "run" event members.
std::string RunTable(const std::vector<TApRow>& rows);
std::string RunMembers(int status, const std::vector<TApRow>& rows);
