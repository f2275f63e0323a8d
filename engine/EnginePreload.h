#pragma once

// Starts the engine for a process that will shut the file system before it decodes anything:
// the engine is loaded (with its fence), every coder the rights allow is loaded now instead of on
// first use, and the private temporary folder is removed while it still can be. False when any
// of it failed; the engine must not be used then.
bool StartEngineSelfContained();
