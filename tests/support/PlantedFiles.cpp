#include "PlantedFiles.h"

#include <stdexcept>

#include "RunCapture.h"
#include "WineTestEnv.h"
#include "system/Registry.h"

namespace testenv {

namespace {

constexpr char kTraceSuffix[] = ".TRACE";
constexpr char kControl[] = "importsplanted.exe";

std::vector<std::string> TraceLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string DllOverridesKey(const std::string& program) {
  return "Software\\Wine\\AppDefaults\\" + program + "\\DllOverrides";
}

}  // namespace

ScopedNativeFirstLibraries::ScopedNativeFirstLibraries(std::vector<std::string> programs)
    : programs_(std::move(programs)) {
  for (const std::string& program : programs_) {
    kestra::RegKey key = kestra::RegKey::Create(HKEY_CURRENT_USER, DllOverridesKey(program));
    for (const std::string& library : kNativeFirstUnderWine) {
      const std::string name = library.substr(0, library.find('.'));
      if (!key || !key.WriteString(name, "native,builtin"))
        throw std::runtime_error("cannot set the library order of " + program);
    }
  }
}

ScopedNativeFirstLibraries::~ScopedNativeFirstLibraries() {
  for (const std::string& program : programs_)
    kestra::DeleteKeyTree(HKEY_CURRENT_USER, DllOverridesKey(program));
}

PlantedFiles::PlantedFiles(std::string folder, Regsvr32 regsvr32)
    : folder_(std::move(folder)), regsvr32_(regsvr32) {
  for (const std::string& name : kPlantedLibraries)
    if (!CopyFileTo(TestBinary("plantedlib.dll"), folder_ + name))
      throw std::runtime_error("cannot plant " + folder_ + name);
  if (regsvr32_ == Regsvr32::Yes &&
      !CopyFileTo(TestBinary("plantedregsvr32.exe"), folder_ + "REGSVR32.EXE"))
    throw std::runtime_error("cannot plant " + folder_ + "REGSVR32.EXE");
  ClearTraces();
}

PlantedFiles::~PlantedFiles() {
  ClearTraces();
  for (const std::string& name : Names()) ::DeleteFileA((folder_ + name).c_str());
  ::DeleteFileA((folder_ + kControl).c_str());
}

std::vector<std::string> PlantedFiles::Names() const {
  std::vector<std::string> names = kPlantedLibraries;
  if (regsvr32_ == Regsvr32::Yes) names.push_back("REGSVR32.EXE");
  return names;
}

std::vector<std::string> PlantedFiles::Traces() const {
  std::vector<std::string> traces;
  for (const std::string& name : Names()) {
    const std::string trace = folder_ + name + kTraceSuffix;
    if (::GetFileAttributesA(trace.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    for (const std::string& program : TraceLines(ReadFile(trace)))
      traces.push_back(name + ": " + program);
  }
  return traces;
}

void PlantedFiles::ClearTraces() const {
  for (const std::string& name : Names()) ::DeleteFileA((folder_ + name + kTraceSuffix).c_str());
}

std::vector<std::string> PlantedFiles::TracesOfAnImportingProgram() const {
  const std::string control = folder_ + kControl;
  if (!CopyFileTo(TestBinary(kControl), control))
    throw std::runtime_error("cannot place " + control);
  {
    ScopedNativeFirstLibraries native_first({kControl});
    const RunResult result = RunAndCapture("\"" + control + "\"");
    if (result.exit_code != 0) throw std::runtime_error(control + " failed: " + result.output);
  }
  ::DeleteFileA(control.c_str());
  const std::vector<std::string> traces = Traces();
  ClearTraces();
  return traces;
}

}  // namespace testenv
