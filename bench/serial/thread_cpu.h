#pragma once

namespace keldo::bench {

// CPU time the calling thread has used, user and system, in milliseconds.
double ThreadCpuMilliseconds();

}  // namespace keldo::bench
