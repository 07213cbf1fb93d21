// The simulated boot code in a child process for the serial benchmarks, so that its work and
// its records do not count against the process being measured.
#pragma once

#include <sys/types.h>

#include <string>

#include "FirmwareLoaderMachine.h"

// Forks a child that runs the boot code on a new pseudo-terminal, with the simulated firmware
// loader configured by `loader` and the line paced at lineRate bit/s (0: unpaced), until this
// process goes away. Returns the child's pid and sets slavePath, or returns -1 (the reason on
// stderr under `reporter`). Call it before any thread exists.
pid_t StartBootCodeChild(const TFirmwareLoaderConfig& loader, int lineRate, const char* reporter,
                         std::string& slavePath);

// Ends the child and waits for it.
void StopBootCodeChild(pid_t child);
