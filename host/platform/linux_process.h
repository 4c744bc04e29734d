// Process facts the host needs: where its program lives (program_folder.h), and whether a started
// program still runs.
#pragma once

#include <sys/types.h>

#include <string>

#include "program_folder.h"

namespace quillmere::platform {

// True while the process exists and has not ended (a zombie has ended).
bool ProcessRunning(pid_t pid);

// Starts the program at path, with no arguments, as a child of this process; its id, or 0 when it
// cannot be started. A child can tell how it ended (KilledBySignal), which a detached start
// cannot. The child outlives this process if it ends first.
pid_t StartChild(const std::string& path);

// For a child started here that has ended: true when a signal ended it. Collects the child's
// exit status on first call; false while it runs or for a process that is not our child.
bool KilledBySignal(pid_t pid);

// Asks the process to end (SIGTERM).
void Terminate(pid_t pid);

}  // namespace quillmere::platform
