// Counts the heap allocations and frees of the whole process while watching is on.
// The modhost executable replaces malloc and its relatives (and exports them), so
// allocations inside the plug-ins, whose C++ runtime is linked into each library,
// are seen too.
#pragma once

namespace modhost::allocation_watch {

// False in a build whose sanitizer replaces malloc itself; unavailableReason() says why.
bool available();
const char* unavailableReason();

void start();
void stop();
// Names what runs from now on, for the report of the first allocation seen.
void during(const char* activity);
long counted();
// What was running at the first allocation or free counted since start; null for none.
const char* firstActivity();

}  // namespace modhost::allocation_watch
