// The ZIP directory reader on arbitrary bytes: the archive, the size the
// caller claims for it (the real one, or more when the file shrank meanwhile)
// and lookups by name.
#include <string>

#include "Harness.h"
#include "MemberName.h"
#include "ZipDirectory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::Text(data, size);
  const ezip::MemoryBytes source(bytes);
  for (const std::uint64_t claimed : {std::uint64_t{size}, std::uint64_t{size} + 4096}) {
    const std::optional<ezip::ZipDirectory> directory = ezip::ZipDirectory::Read(source, claimed);
    if (!directory) continue;
    fuzz::Require(claimed == size, "a directory is only read from bytes that are there");
    fuzz::Require(directory->DataLimit() <= size, "member data ends inside the archive");
    fuzz::Require(directory->MemberCount() <= 0xFFFF, "no more members than the count field");
    // Names the engine asks for, and the last bytes of the input as a name.
    for (const std::string_view name :
         {std::string_view("SETUP.INI"), std::string_view("bin\\kestra.exe"),
          bytes.substr(bytes.size() > 24 ? bytes.size() - 24 : 0)}) {
      // A name and its folded key find the same member (or none).
      fuzz::Require(directory->Find(name) == directory->Find(ezip::FoldName(name)),
                    "lookup is by the folded name");
    }
  }
  return 0;
}
