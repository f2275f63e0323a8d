#pragma once

// Keeps the large blocks a process frees for its next use instead of giving them back to the
// system: a process that handles one photograph after another then reuses the same memory,
// rather than having every new buffer's pages mapped and cleared again. Blocks above the
// allocator's largest pooled size still go back at once.
void ReuseFreedMemory();
