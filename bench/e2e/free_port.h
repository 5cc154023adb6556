#pragma once

namespace keldo::bench {

// A TCP port on 127.0.0.1 that nothing listens on at the moment of asking.
int FreeLoopbackPort();

}  // namespace keldo::bench
