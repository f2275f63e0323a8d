#pragma once

// The number of processors this process may run on (its affinity mask, which a container or
// taskset may narrow), at least 1.
int UsableProcessorCount();
