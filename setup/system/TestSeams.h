// The two places where the test variant of SETUP differs from the shipped one.
//
// Wine cannot produce two situations the tests must reach: a user without
// administrator rights (every process under Wine is elevated), and an
// exception that nothing expected (the code gives no way to cause one). The
// test variant of SETUP (a separate target built with KESTRA_TEST_SEAMS) reads
// environment variables for both; the shipped SETUP is built without that
// definition and contains neither the variables nor the code that reads them.
// An elevated program must never load or run what the environment names.
#pragma once

#include <string>

namespace kestra::seams {

// The library to ask IsUserAnAdmin: shell32_path itself in the shipped program.
std::string AdminQueryLibrary(const std::string& shell32_path);

// A named point of the run (the main sequence, a window procedure, the
// uninstall run). Does nothing in the shipped program; in the test variant it
// may throw the exception the tests ask for there.
void FaultPoint(const char* where);

}  // namespace kestra::seams
