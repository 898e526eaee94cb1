// The file step's decisions on plain data, natively under the sanitizers.
#include <gtest/gtest.h>

#include "install/FileList.h"

namespace {

using kestra::Batch;
using kestra::GroupKind;

TEST(NativeFileList, ScriptIntegers) {
  const std::pair<const char*, int32_t> rows[] = {
      {"12", 12}, {"+3", 3},   {"-4", -4}, {"2147483647", 2147483647},
      {"2147483648", 0}, {"1x", 0}, {"", 0}, {" 1", 0},
  };
  for (const auto& [text, value] : rows) EXPECT_EQ(kestra::ScriptInteger(text), value) << text;
}

TEST(NativeFileList, GroupKinds) {
  EXPECT_EQ(kestra::GroupKindOf("lib search"), GroupKind::Library);
  EXPECT_EQ(kestra::GroupKindOf("com\\pdf"), GroupKind::Common);
  EXPECT_EQ(kestra::GroupKindOf("Common"), GroupKind::None);
  EXPECT_EQ(kestra::GroupKindOf("Program"), GroupKind::Application);
}

TEST(NativeFileList, DestinationsAndExpansionCalls) {
  EXPECT_EQ(kestra::DestinationOf("C:\\K\\", "<INSTALLDIR>BIN\\", "X\\KESTRA.EXE"),
            "C:\\K\\BIN\\KESTRA.EXE");
  const kestra::ExpansionCall call =
      kestra::ExpansionCallFor("C:\\K\\BIN\\A.DLL", "C:\\K\\", "C:\\K\\");
  EXPECT_EQ(call.base, "C:\\K\\");
  EXPECT_EQ(call.member, "BIN\\A.DLL");
}

TEST(NativeFileList, RecordsAndBatches) {
  EXPECT_EQ(kestra::SplitRecord("7,C:\\A,B").path, "C:\\A,B");
  EXPECT_EQ(kestra::SplitRecord("no comma").tag, "");
  const std::vector<Batch> batches =
      kestra::GroupIntoBatches({"7,a", "7,b", "99,c", "98,d", "7,e"});
  ASSERT_EQ(batches.size(), 3u);
  EXPECT_EQ(batches[0].count, 2u);
  EXPECT_EQ(batches[1].first, 2u);
  EXPECT_EQ(batches[2].first, 3u);
  EXPECT_EQ(batches[2].count, 2u);  // the last record joins the batch being collected
}

}  // namespace
