#include "MemberExpander.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

#include "TempFile.h"

namespace ezip {

namespace {

constexpr std::uint32_t kLocalSignature = 0x04034B50;  // PK\3\4
constexpr std::uint32_t kLocalHeaderSize = 30;
// The progress callback runs after every chunk written.
constexpr std::uint32_t kOutputChunk = 64 * 1024;
constexpr std::uint32_t kInputChunk = 256 * 1024;

// Where the member's data starts, once its local header has been checked and
// the data is known to end before the central directory.
std::optional<std::uint64_t> LocateData(HANDLE archive, const ZipDirectory& directory,
                                        const ZipEntry& entry) {
  const std::uint64_t header = entry.localHeaderOffset;
  if (header + kLocalHeaderSize > directory.DataLimit()) return std::nullopt;
  unsigned char local[kLocalHeaderSize];
  if (!ReadAt(archive, header, local, kLocalHeaderSize)) return std::nullopt;
  if (Le32(local) != kLocalSignature) return std::nullopt;
  const std::uint64_t data = header + kLocalHeaderSize + Le16(local + 26) + Le16(local + 28);
  if (data + entry.compressedSize > directory.DataLimit()) return std::nullopt;
  return data;
}

// Receives the expanded bytes: writes them, keeps the CRC and reports
// progress. Refuses more bytes than the member declares.
class MemberSink {
 public:
  MemberSink(HANDLE file, std::uint32_t expectedSize, EZipProgressProc progress)
      : file_(file), expected_(expectedSize), progress_(progress) {}

  bool Put(const unsigned char* data, std::uint32_t size) {
    if (size > expected_ - written_) return false;
    DWORD done = 0;
    if (!::WriteFile(file_, data, size, &done, nullptr) || done != size) return false;
    crc_ = static_cast<std::uint32_t>(::crc32(crc_, data, size));
    written_ += size;
    return Report();
  }

  // True when exactly the declared bytes arrived with the declared CRC.
  bool Finish(std::uint32_t expectedCrc) {
    if (written_ != expected_ || crc_ != expectedCrc) return false;
    return reported_ || Report();
  }

  std::uint32_t Written() const { return written_; }

 private:
  bool Report() {
    reported_ = true;
    return progress_ == nullptr || progress_(written_, expected_) == 0;
  }

  HANDLE file_;
  std::uint32_t expected_;
  EZipProgressProc progress_;
  std::uint32_t written_ = 0;
  std::uint32_t crc_ = 0;
  bool reported_ = false;
};

bool CopyStored(HANDLE archive, std::uint64_t data, const ZipEntry& entry, MemberSink& sink) {
  if (entry.compressedSize != entry.size) return false;
  std::vector<unsigned char> buffer(std::min(entry.size, kOutputChunk));
  for (std::uint32_t left = entry.size; left > 0;) {
    const std::uint32_t n = std::min(left, kOutputChunk);
    if (!ReadAt(archive, data, buffer.data(), n) || !sink.Put(buffer.data(), n)) return false;
    data += n;
    left -= n;
  }
  return true;
}

class RawInflater {
 public:
  RawInflater() { ok_ = ::inflateInit2(&stream_, -MAX_WBITS) == Z_OK; }
  ~RawInflater() {
    if (ok_) ::inflateEnd(&stream_);
  }
  RawInflater(const RawInflater&) = delete;
  RawInflater& operator=(const RawInflater&) = delete;
  bool Ok() const { return ok_; }
  z_stream& Stream() { return stream_; }

 private:
  z_stream stream_{};
  bool ok_ = false;
};

// Inflates the member's raw deflate stream into the sink. zlib may consume the
// last compressed byte while it still holds output (a long run of zeros
// expands far beyond one output chunk), so the loop goes on calling inflate
// while it makes progress and fails only on a real error, or when it can make
// none: no input left to give and no output pending.
bool Inflate(HANDLE archive, std::uint64_t data, const ZipEntry& entry, MemberSink& sink) {
  RawInflater inflater;
  if (!inflater.Ok()) return false;
  z_stream& z = inflater.Stream();
  std::vector<unsigned char> in(std::min(std::max(entry.compressedSize, 1u), kInputChunk));
  std::vector<unsigned char> out(kOutputChunk);
  std::uint32_t unread = entry.compressedSize;
  for (;;) {
    if (z.avail_in == 0 && unread > 0) {
      const std::uint32_t n = std::min(unread, kInputChunk);
      if (!ReadAt(archive, data, in.data(), n)) return false;
      data += n;
      unread -= n;
      z.next_in = in.data();
      z.avail_in = n;
    }
    const uInt offered = z.avail_in;
    z.next_out = out.data();
    z.avail_out = kOutputChunk;
    const int result = ::inflate(&z, Z_NO_FLUSH);
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) return false;
    const std::uint32_t produced = kOutputChunk - z.avail_out;
    if (produced > 0 && !sink.Put(out.data(), produced)) return false;
    if (result == Z_STREAM_END) return true;
    // Nothing taken and nothing given: the stream ends before its end marker
    // (or is stuck), and another call would change nothing.
    if (produced == 0 && z.avail_in == offered) return false;
  }
}

// Gives the file the member's time (DOS time is local time).
void StampTime(HANDLE file, const ZipEntry& entry) {
  FILETIME local, utc;
  if (::DosDateTimeToFileTime(entry.dosDate, entry.dosTime, &local) &&
      ::LocalFileTimeToFileTime(&local, &utc))
    ::SetFileTime(file, nullptr, nullptr, &utc);
}

}  // namespace

std::optional<std::uint32_t> ExpandMember(HANDLE archive, const ZipDirectory& directory,
                                          const ZipEntry& entry, const std::string& destination,
                                          EZipProgressProc progress) {
  if (entry.needsZip64 || entry.IsEncrypted() || !entry.HasSupportedMethod()) return std::nullopt;
  const std::optional<std::uint64_t> data = LocateData(archive, directory, entry);
  if (!data) return std::nullopt;

  TempFile temp;
  if (!temp.Create(destination)) return std::nullopt;
  MemberSink sink(temp.Handle(), entry.size, progress);
  const bool copied = entry.method == kMethodStored ? CopyStored(archive, *data, entry, sink)
                                                    : Inflate(archive, *data, entry, sink);
  if (!copied || !sink.Finish(entry.crc32)) return std::nullopt;
  StampTime(temp.Handle(), entry);
  if (!temp.CommitAs(destination)) return std::nullopt;
  return sink.Written();
}

}  // namespace ezip
