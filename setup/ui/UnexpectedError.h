// The last line of defence: an exception that nothing expected (memory
// exhausted, an INI store that cannot read or write, a refused line) must not
// end the program silently through std::terminate. The edges of the run (the
// main sequence, every window procedure) catch everything and report it here.
#pragma once

#include <exception>
#include <string>

namespace kestra {

// The short reason shown under the fixed text of the message.
std::string UnexpectedErrorReason(std::exception_ptr error);

// Call inside a catch block. Shows the message (once per run: whatever fails
// while the run winds down adds nothing the user can act on) and asks the
// application to end.
void ReportUnexpectedError() noexcept;

}  // namespace kestra
