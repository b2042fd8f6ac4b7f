// The reason of a failed call into the system as an errno value, for code
// that lets a library (Qt) make the call: on Linux errno itself; on Windows,
// whose wide-character API reports through GetLastError(), that code
// translated to the errno value of the same meaning, so that the window
// words the reason in its own language on both systems.
#pragma once

// Forgets the last failure, before the call.
void clearSystemError();
// The failure of the last call, 0 when none has an errno value.
int lastSystemError();
