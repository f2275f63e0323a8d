#pragma once

#include "batch/WorkerProtocol.h"

// The worker's side: starts the engine, loads every coder the rights allow, locks the process in
// (no file, no connection, no program, bounded memory and CPU time per photograph), tells the run
// it is ready, then turns each photograph it receives into its outputs until the run closes the
// channel, or until a request it does not understand, which it answers by ending. Returns the
// process's exit status.
int ServeWorker(int Channel, const TWorkerStart& Start);
