// The file step's decisions on arbitrary lines: script integers, group kinds,
// destinations, installed-file records, their batches and the expander's
// call arguments. Line 0 is a count, 1 a group name, 2 a group folder, 3 the
// base folder; every line is also an installed-file record.
#include "Harness.h"
#include "install/FileList.h"
#include "system/Mbcs.h"

namespace {

void CheckBatches(const std::vector<std::string>& records) {
  const std::vector<kestra::Batch> batches = kestra::GroupIntoBatches(records);
  std::size_t next = 0;
  for (const kestra::Batch& batch : batches) {
    fuzz::Require(batch.first == next && batch.count > 0, "batches follow each other");
    next += batch.count;
  }
  fuzz::Require(next == records.size(), "batches hold every record once");
}

void CheckRecord(const std::string& record) {
  const kestra::RecordParts parts = kestra::SplitRecord(record);
  const bool hasComma = record.find(',') != std::string::npos;
  fuzz::Require(hasComma ? parts.tag + "," + parts.path == record : parts.path == record,
                "a record splits into tag and path");
  fuzz::Require(parts.tag.find(',') == std::string::npos, "the tag ends at the first comma");
}

// A script of groups made of the lines, three at a time (name, folder, one
// file), and the records a run builds from it.
void CheckPlan(const std::vector<std::string>& lines, int32_t count) {
  kestra::SetupScript script;
  for (std::size_t i = 0; i + 2 < lines.size(); i += 3)
    script.groups.push_back({lines[i], lines[i + 1], {lines[i + 2]}});
  kestra::FileListInput input;
  input.app_count = 1 + (count & 1);
  input.install_mode = 1 + ((count >> 1) & 1);
  input.program_only = ((count >> 2) & 1) != 0;
  input.install_dir = fuzz::LineOr(lines, 3);
  input.win_drive_root = "C:\\";
  input.dvd_version = fuzz::LineOr(lines, 0);
  if ((count >> 3) & 1) input.installed_version = fuzz::LineOr(lines, 1);
  const kestra::FileListPlan plan = kestra::BuildFileList(script, input);
  for (const std::string& record : plan.records)
    fuzz::Require(record.starts_with("7,") || record.starts_with("99,") ||
                      record.starts_with("98,"),
                  "every record carries one of the three tags");
  const std::size_t files = script.groups.size() * static_cast<std::size_t>(input.app_count);
  fuzz::Require(plan.records.size() <= files, "no more records than files per pass");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> lines = fuzz::Lines(fuzz::Text(data, size));
  const std::string& count = lines[0];
  const std::string& name = fuzz::LineOr(lines, 1);
  const std::string& dir = fuzz::LineOr(lines, 2);
  const std::string& base = fuzz::LineOr(lines, 3);

  const int32_t n = kestra::ScriptInteger(count);
  if (n != 0) fuzz::Require(std::to_string(n) == count || count.starts_with('+') ||
                                count.starts_with("-0") || count.starts_with('0'),
                            "a script integer is the number written");
  fuzz::Require(kestra::GroupKindOf(name) == kestra::GroupKindOf(kestra::AnsiUpperCase(name)),
                "the kind is decided on the upper-cased name");

  const std::string destination = kestra::DestinationOf(base, dir, name);
  fuzz::Require(destination.starts_with(base), "a destination starts with its base");

  for (const std::string& record : lines) CheckRecord(record);
  CheckBatches(lines);

  const kestra::ExpansionCall call = kestra::ExpansionCallFor(name, base, dir);
  fuzz::Require(call.member.size() <= name.size(), "the member is part of the path");

  const std::size_t at = kestra::FindOnCharBoundary(name, dir);
  if (at != std::string::npos)
    fuzz::Require(name.compare(at, dir.size(), dir) == 0, "found where it occurs");
  CheckPlan(lines, n);
  return 0;
}
