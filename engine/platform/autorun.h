#pragma once

// The entry that starts this program when the current user logs on: the
// "KELDOLink" value of the user's Run key on Windows, an XDG autostart entry
// on Linux. Both name the running program by its full path.

#include <string>

namespace keldo::platform {

// Writes (or overwrites) the entry. Returns an empty text when done, else why
// nothing was written; registry errors may also be raised.
std::string WriteAutorunEntry();

// Removes the entry; an entry that is not there is no error. Same results.
std::string RemoveAutorunEntry();

}  // namespace keldo::platform
