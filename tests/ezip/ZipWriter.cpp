#include "ZipWriter.h"

#include <zlib.h>

#include <random>
#include <stdexcept>

namespace ziptest {

namespace {

constexpr std::uint16_t kUtf8NameFlag = 0x0800;
constexpr std::uint16_t kDataDescriptorFlag = 0x0008;
constexpr std::uint32_t kSaturated = 0xFFFFFFFF;
// 1 January 2024, 12:34:56 in DOS date and time fields.
constexpr std::uint16_t kDosDate = ((2024 - 1980) << 9) | (1 << 5) | 1;
constexpr std::uint16_t kDosTime = (12 << 11) | (34 << 5) | (56 / 2);

void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Put64(std::string& out, std::uint64_t v) {
  Put32(out, static_cast<std::uint32_t>(v));
  Put32(out, static_cast<std::uint32_t>(v >> 32));
}

struct Prepared {
  std::string payload;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t crc = 0;
  std::uint32_t size = 0;
  std::size_t localOffset = 0;
};

Prepared Prepare(const Member& m) {
  Prepared p;
  p.payload = m.deflate ? RawDeflate(m.data) : m.data;
  p.flags = static_cast<std::uint16_t>((m.utf8Name ? kUtf8NameFlag : 0) |
                                       (m.streamed ? kDataDescriptorFlag : 0) | m.extraFlags);
  p.method = m.method.value_or(m.deflate ? 8 : 0);
  p.crc = m.crc32.value_or(Crc32(m.data));
  p.size = m.size.value_or(static_cast<std::uint32_t>(m.data.size()));
  return p;
}

std::string Zip64Extra(const Prepared& p, bool withOffset) {
  std::string extra;
  Put16(extra, 0x0001);
  Put16(extra, withOffset ? 24 : 16);
  Put64(extra, p.size);
  Put64(extra, p.payload.size());
  if (withOffset) Put64(extra, p.localOffset);
  return extra;
}

void PutLocalHeader(std::string& out, const Member& m, const Prepared& p) {
  const std::string extra = m.zip64 ? Zip64Extra(p, false) : std::string();
  Put32(out, 0x04034B50);
  Put16(out, m.zip64 ? 45 : 20);
  Put16(out, p.flags);
  Put16(out, p.method);
  Put16(out, kDosTime);
  Put16(out, kDosDate);
  if (m.streamed) {
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
  } else {
    Put32(out, p.crc);
    Put32(out, m.zip64 ? kSaturated : static_cast<std::uint32_t>(p.payload.size()));
    Put32(out, m.zip64 ? kSaturated : p.size);
  }
  Put16(out, static_cast<std::uint32_t>(m.name.size()));
  Put16(out, static_cast<std::uint32_t>(extra.size()));
  out += m.name;
  out += extra;
}

void PutDataDescriptor(std::string& out, const Prepared& p) {
  Put32(out, 0x08074B50);
  Put32(out, p.crc);
  Put32(out, static_cast<std::uint32_t>(p.payload.size()));
  Put32(out, p.size);
}

void PutCentralHeader(std::string& out, const Member& m, const Prepared& p) {
  const std::string extra = m.zip64 ? Zip64Extra(p, true) : std::string();
  Put32(out, 0x02014B50);
  Put16(out, 0x0014);  // made by: MS-DOS, 2.0
  Put16(out, m.zip64 ? 45 : 20);
  Put16(out, p.flags);
  Put16(out, p.method);
  Put16(out, kDosTime);
  Put16(out, kDosDate);
  Put32(out, p.crc);
  Put32(out, m.zip64 ? kSaturated : static_cast<std::uint32_t>(p.payload.size()));
  Put32(out, m.zip64 ? kSaturated : p.size);
  Put16(out, static_cast<std::uint32_t>(m.name.size()));
  Put16(out, static_cast<std::uint32_t>(extra.size()));
  Put16(out, 0);  // comment
  Put16(out, 0);  // disk
  Put16(out, 0);  // internal attributes
  Put32(out, 0);  // external attributes
  Put32(out, m.zip64 ? kSaturated : static_cast<std::uint32_t>(p.localOffset));
  out += m.name;
  out += extra;
}

void PutZip64End(std::string& out, std::size_t entries, std::size_t centralOffset,
                 std::size_t centralSize) {
  const std::size_t recordOffset = out.size();
  Put32(out, 0x06064B50);
  Put64(out, 44);
  Put16(out, 45);
  Put16(out, 45);
  Put32(out, 0);
  Put32(out, 0);
  Put64(out, entries);
  Put64(out, entries);
  Put64(out, centralSize);
  Put64(out, centralOffset);
  Put32(out, 0x07064B50);  // locator
  Put32(out, 0);
  Put64(out, recordOffset);
  Put32(out, 1);
}

}  // namespace

std::string RawDeflate(const std::string& data, int level) {
  z_stream z{};
  if (deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&z, Z_FINISH);
  deflateEnd(&z);
  if (result != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(z.total_out);
  return out;
}

std::uint32_t Crc32(const std::string& data) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string CompressibleBytes(std::size_t size, unsigned seed) {
  static const char* const kWords[] = {"法令 ", "第一条 ", "kestra ", "the ", "article ",
                                       "\r\n", "判例 ", "2024 "};
  std::mt19937 random(seed);
  std::string out;
  out.reserve(size + 16);
  while (out.size() < size) out += kWords[random() % 8];
  out.resize(size);
  return out;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string out(size, '\0');
  for (char& c : out) c = static_cast<char>(random() & 0xFF);
  return out;
}

std::string BuildZip(const std::vector<Member>& members, Layout* layout,
                     const ArchiveOptions& options) {
  Layout where;
  std::string out;
  std::vector<Prepared> prepared;
  for (const Member& m : members) {
    Prepared p = Prepare(m);
    p.localOffset = out.size();
    PutLocalHeader(out, m, p);
    where.dataOffset.push_back(out.size());
    where.dataSize.push_back(p.payload.size());
    out += p.payload;
    if (m.streamed) PutDataDescriptor(out, p);
    prepared.push_back(std::move(p));
  }
  where.centralOffset = out.size();
  for (std::size_t i = 0; i < members.size(); ++i) PutCentralHeader(out, members[i], prepared[i]);
  const std::size_t centralSize = out.size() - where.centralOffset;
  if (options.zip64End) PutZip64End(out, members.size(), where.centralOffset, centralSize);
  where.endOffset = out.size();
  const auto entries = static_cast<std::uint32_t>(members.size());
  Put32(out, 0x06054B50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, options.zip64End ? 0xFFFF : entries);
  Put16(out, options.zip64End ? 0xFFFF : entries);
  Put32(out, options.zip64End ? kSaturated : static_cast<std::uint32_t>(centralSize));
  Put32(out, options.zip64End ? kSaturated : static_cast<std::uint32_t>(where.centralOffset));
  Put16(out, static_cast<std::uint32_t>(options.comment.size()));
  out += options.comment;
  if (layout) *layout = where;
  return out;
}

}  // namespace ziptest
