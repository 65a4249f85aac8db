#include "platform/ZipText.h"

#include <zip.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>

bool IsZip(const std::uint8_t* data, std::size_t size) {
  return size >= 4 && std::memcmp(data, "PK", 2) == 0 &&
         ((data[2] == 3 && data[3] == 4) || (data[2] == 5 && data[3] == 6));
}

namespace {

struct Archive {
  zip_t* z;
  ~Archive() {
    if (z) zip_discard(z);
  }
};

struct Member {
  zip_file_t* f;
  ~Member() {
    if (f) zip_fclose(f);
  }
};

bool EndsWith(std::string_view name, std::string_view ext) {
  return name.size() >= ext.size() &&
         std::equal(ext.begin(), ext.end(), name.end() - ext.size(),
                    [](char e, char c) { return e == (c >= 'A' && c <= 'Z' ? c + 32 : c); });
}

// The index of the member that holds the text, or -1.
zip_int64_t TextMember(zip_t* z) {
  const zip_int64_t n = zip_get_num_entries(z, 0);
  zip_int64_t html = -1;
  for (zip_int64_t i = 0; i < n; ++i) {
    const char* raw = zip_get_name(z, zip_uint64_t(i), ZIP_FL_ENC_RAW);
    const std::string_view name = raw ? raw : "";
    if (name.starts_with("__MACOSX/")) continue;
    if (EndsWith(name, ".txt")) return i;
    if (html < 0 && (EndsWith(name, ".htm") || EndsWith(name, ".html"))) html = i;
  }
  return html;
}

}  // namespace

ZipMember TakeZipMember(std::unique_ptr<std::uint8_t[]>& data, std::size_t& size,
                        std::uint64_t limit, std::size_t extra) {
  // The ZIP is read from the bytes in memory; libzip does not copy them.
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(data.get(), size, 0, &error);
  Archive archive{source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr};
  zip_error_fini(&error);
  if (!archive.z) {
    if (!source) return ZipMember::NoMemory;
    zip_source_free(source);
    return ZipMember::Damaged;
  }

  const zip_int64_t index = TextMember(archive.z);
  if (index < 0) return ZipMember::NoText;
  zip_stat_t st;
  if (zip_stat_index(archive.z, zip_uint64_t(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
    return ZipMember::Damaged;
  if (st.valid & ZIP_STAT_ENCRYPTION_METHOD && st.encryption_method != ZIP_EM_NONE)
    return ZipMember::Encrypted;
  if (st.valid & ZIP_STAT_COMP_METHOD && !zip_compression_method_supported(st.comp_method, 0))
    return ZipMember::Unsupported;
  if (st.size >= limit) return ZipMember::TooLarge;

  Member member{zip_fopen_index(archive.z, zip_uint64_t(index), 0)};
  if (!member.f) return ZipMember::Damaged;
  // One byte more than the header says is asked for (it lands where the
  // caller's extra bytes go): getting it means the member runs on past its
  // size, and asking for it reads to the end, where the checksum is tested.
  const std::uint64_t want = st.size + 1;
  std::unique_ptr<std::uint8_t[]> out(new (std::nothrow)
                                          std::uint8_t[st.size + std::max<std::size_t>(extra, 1)]);
  if (!out) return ZipMember::NoMemory;
  std::uint64_t got = 0;
  while (got < want) {
    const zip_int64_t n = zip_fread(member.f, out.get() + got, want - got);
    if (n < 0) return ZipMember::Damaged;
    if (n == 0) break;
    got += std::uint64_t(n);
  }
  if (got != st.size) return ZipMember::Damaged;
  data = std::move(out);
  size = std::size_t(got);
  return ZipMember::Ok;
}
