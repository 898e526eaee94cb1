// The two places where the test variant of SETUP differs from the shipped one.
//
// Wine cannot produce three situations the tests must reach: a user without
// administrator rights (every process under Wine is elevated), a run as the
// SYSTEM account (Wine runs every process as the user who started it), and an
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

// True in the test variant when told to take the run for one of the SYSTEM
// account (as deployment systems start it); always false in the shipped program.
bool ClaimsSystemAccount();

// A named point of the run (the main sequence, a window procedure, the
// uninstall run). Does nothing in the shipped program; in the test variant it
// may throw the exception the tests ask for there.
void FaultPoint(const char* where);

}  // namespace kestra::seams
