#include "system/TestSeams.h"

#ifdef KESTRA_TEST_SEAMS
#include <windows.h>

#include <cstdlib>
#include <new>
#include <stdexcept>

#include "system/IoError.h"
#endif

namespace kestra::seams {

#ifndef KESTRA_TEST_SEAMS

std::string AdminQueryLibrary(const std::string& shell32_path) { return shell32_path; }

bool ClaimsSystemAccount() { return false; }

void FaultPoint(const char*) {}

#else

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

// KESTRA_TEST_ADMIN_DLL names a stand-in library that answers IsUserAnAdmin.
std::string AdminQueryLibrary(const std::string& shell32_path) {
  const std::string stand_in = Variable("KESTRA_TEST_ADMIN_DLL");
  return stand_in.empty() ? shell32_path : stand_in;
}

// KESTRA_TEST_SYSTEM_ACCOUNT=1 makes the run one of the SYSTEM account.
bool ClaimsSystemAccount() { return Variable("KESTRA_TEST_SYSTEM_ACCOUNT") == "1"; }

// KESTRA_TEST_FAULT is "point:kind", kind one of bad_alloc, io, invalid_argument.
void FaultPoint(const char* where) {
  const std::string fault = Variable("KESTRA_TEST_FAULT");
  const std::size_t colon = fault.find(':');
  if (colon == std::string::npos || fault.compare(0, colon, where) != 0) return;
  const std::string kind = fault.substr(colon + 1);
  if (kind == "bad_alloc") throw std::bad_alloc();
  if (kind == "io") throw EInOutError("cannot write KSTEST.INI", ERROR_WRITE_FAULT);
  if (kind == "invalid_argument")
    throw std::invalid_argument("cannot store the line \"[\" in an INI file");
}

#endif

}  // namespace kestra::seams
