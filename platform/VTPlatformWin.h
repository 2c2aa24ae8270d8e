// Helpers shared by the Windows sources of the platform layer (not part of its interface).
#pragma once

#include <string>

namespace vtplatform {

// The system's text for a Win32 error code (GetLastError), in UTF-8.
std::string LastErrorText(unsigned long code);

}  // namespace vtplatform
