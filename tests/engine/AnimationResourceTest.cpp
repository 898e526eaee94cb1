// The install dialog's animation travels inside SETUP.EXE as the AVI resource
// "WD_FILECOPY", in a form the animation control plays: 8-bit RLE frames of
// 272 x 60, at least as many frames as the dialog plays (0 to 34).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "WineTestEnv.h"
#include "system/Handles.h"

namespace {

uint32_t U32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

// The offset of the first chunk or list with this four-character code.
std::size_t Find(const unsigned char* data, std::size_t size, const char* fourcc) {
  for (std::size_t at = 0; at + 4 <= size; ++at)
    if (std::memcmp(data + at, fourcc, 4) == 0) return at;
  return size;
}

}  // namespace

TEST(AnimationResource, IsAPlayableRle8AviOfThirtyFiveFrames) {
  kestra::Library setup(::LoadLibraryExA(testenv::DistFile("SETUP.EXE").c_str(), nullptr,
                                         LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(setup);
  HRSRC found = ::FindResourceA(setup.get(), "WD_FILECOPY", "AVI");
  ASSERT_NE(found, nullptr);
  const auto* data = static_cast<const unsigned char*>(
      ::LockResource(::LoadResource(setup.get(), found)));
  const std::size_t size = ::SizeofResource(setup.get(), found);
  ASSERT_GT(size, 12u);
  EXPECT_EQ(std::memcmp(data, "RIFF", 4), 0);
  EXPECT_EQ(std::memcmp(data + 8, "AVI ", 4), 0);

  const std::size_t avih = Find(data, size, "avih");
  ASSERT_LT(avih + 48, size);
  EXPECT_EQ(U32(data + avih + 8 + 16), 35u);  // total frames
  EXPECT_EQ(U32(data + avih + 8 + 32), 272u);  // width
  EXPECT_EQ(U32(data + avih + 8 + 36), 60u);   // height

  const std::size_t strf = Find(data, size, "strf");
  ASSERT_LT(strf + 48, size);
  const unsigned char* bitmap = data + strf + 8;
  EXPECT_EQ(bitmap[14] | bitmap[15] << 8, 8);  // bits per pixel
  EXPECT_EQ(U32(bitmap + 16), static_cast<uint32_t>(BI_RLE8));

  // Every frame is a chunk of the movie list: walk its chunks.
  const std::size_t movi = Find(data, size, "movi");
  ASSERT_GE(movi, 8u);
  ASSERT_EQ(std::memcmp(data + movi - 8, "LIST", 4), 0);
  const std::size_t end = movi + U32(data + movi - 4);
  ASSERT_LE(end, size);
  std::size_t frames = 0;
  for (std::size_t at = movi + 4; at + 8 <= end;) {
    const std::size_t length = U32(data + at + 4);
    if (std::memcmp(data + at, "00dc", 4) == 0) ++frames;
    at += 8 + length + (length & 1);
  }
  EXPECT_EQ(frames, 35u);
}
