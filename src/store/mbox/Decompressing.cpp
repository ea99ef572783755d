#include "store/mbox/Decompressing.h"

#include <bzlib.h>
#include <lzma.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>

namespace store::mbox {

using reading::FileDescriptor;
using reading::FileError;
using reading::OpenForReading;
namespace {

constexpr std::string_view kSuffixes[] = {".gz", ".bz2", ".xz"};

// Compressed bytes are read this much at a time.
constexpr std::size_t kInputSize = 64 * 1024;

// What the three decompressors share: the compressed file read a piece at a time, the count of
// bytes given, and the failure that says where the file is damaged.
class Decompressor : public ByteSource {
 public:
  Decompressor(const FileDescriptor& file, const std::string& path, off_t size)
      : path_(path), input_(file, path, size), buffer_(kInputSize) {}

  std::size_t Read(char* into, std::size_t size) final {
    // Decompressors count in unsigned int.
    size = std::min<std::size_t>(size, UINT_MAX);
    const std::size_t got = Decompress(into, size);
    given_ += got;
    return got;
  }

 protected:
  // Decompresses into `into`, filling it unless the end comes first; the damage it throws counts
  // the bytes it had already put there.
  virtual std::size_t Decompress(char* into, std::size_t size) = 0;

  // The next piece of the compressed file; empty at its end.
  std::string_view NextInput() {
    const std::size_t n = input_.Read(buffer_.data(), buffer_.size());
    read_ += n;
    return {buffer_.data(), n};
  }
  bool NothingRead() const { return read_ == 0; }

  Error Damaged(std::size_t alsoGiven, const std::string& reason) const {
    return Error::Unreadable(path_ + " is damaged after " + std::to_string(given_ + alsoGiven) +
                             " bytes: " + reason);
  }

 private:
  std::string path_;
  FileBytes input_;
  std::vector<char> buffer_;
  std::size_t read_ = 0;
  std::size_t given_ = 0;
};

constexpr const char* kCutShort = "the file ends in the middle of compressed data";

// gzip: zlib, one member after another.
class GzipBytes : public Decompressor {
 public:
  GzipBytes(const FileDescriptor& file, const std::string& path, off_t size)
      : Decompressor(file, path, size) {
    // 16 more than the largest window: a gzip header and trailer, not zlib's own.
    if (inflateInit2(&stream_, 15 + 16) != Z_OK) throw Error::Unreadable(path + ": out of memory");
  }
  ~GzipBytes() override { inflateEnd(&stream_); }

 private:
  std::size_t Decompress(char* into, std::size_t size) override {
    stream_.next_out = reinterpret_cast<Bytef*>(into);
    stream_.avail_out = static_cast<uInt>(size);
    while (stream_.avail_out > 0 && !ended_) {
      if (stream_.avail_in == 0) {
        const std::string_view input = NextInput();
        if (input.empty()) {
          // The end of the file is the end of the mail only between members.
          if (!betweenMembers_) throw Damaged(size - stream_.avail_out, kCutShort);
          ended_ = true;
          break;
        }
        stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
        stream_.avail_in = static_cast<uInt>(input.size());
      }
      // Zero bytes after a member are padding (a tape block, a disk image's rest), as gzip itself
      // takes them, not damage; anything after them is read on as a member.
      if (betweenMembers_ && *stream_.next_in == 0) {
        while (stream_.avail_in > 0 && *stream_.next_in == 0) {
          ++stream_.next_in;
          --stream_.avail_in;
        }
        continue;
      }
      betweenMembers_ = false;
      const int result = inflate(&stream_, Z_NO_FLUSH);
      if (result == Z_STREAM_END) {
        inflateReset(&stream_);
        betweenMembers_ = true;
      } else if (result != Z_OK && result != Z_BUF_ERROR) {
        throw Damaged(size - stream_.avail_out, stream_.msg ? stream_.msg : zError(result));
      }
    }
    return size - stream_.avail_out;
  }

  z_stream stream_{};
  bool betweenMembers_ = true;
  bool ended_ = false;
};

const char* Bzip2Reason(int result) {
  switch (result) {
    case BZ_DATA_ERROR:
      return "data integrity error";
    case BZ_DATA_ERROR_MAGIC:
      return "not bzip2 data";
    case BZ_MEM_ERROR:
      return "out of memory";
    default:
      return "the decompressor failed";
  }
}

// bzip2: libbz2, one stream after another.
class Bzip2Bytes : public Decompressor {
 public:
  Bzip2Bytes(const FileDescriptor& file, const std::string& path, off_t size)
      : Decompressor(file, path, size) {
    if (BZ2_bzDecompressInit(&stream_, 0, 0) != BZ_OK) {
      throw Error::Unreadable(path + ": out of memory");
    }
  }
  ~Bzip2Bytes() override { BZ2_bzDecompressEnd(&stream_); }

 private:
  std::size_t Decompress(char* into, std::size_t size) override {
    stream_.next_out = into;
    stream_.avail_out = static_cast<unsigned>(size);
    while (stream_.avail_out > 0 && !ended_) {
      if (stream_.avail_in == 0) {
        const std::string_view input = NextInput();
        if (input.empty()) {
          if (!betweenStreams_) throw Damaged(size - stream_.avail_out, kCutShort);
          ended_ = true;
          break;
        }
        stream_.next_in = const_cast<char*>(input.data());
        stream_.avail_in = static_cast<unsigned>(input.size());
      }
      betweenStreams_ = false;
      const int result = BZ2_bzDecompress(&stream_);
      if (result == BZ_STREAM_END) {
        // A new stream may follow in the same input.
        char* next = stream_.next_in;
        const unsigned left = stream_.avail_in;
        BZ2_bzDecompressEnd(&stream_);
        if (BZ2_bzDecompressInit(&stream_, 0, 0) != BZ_OK) {
          throw Damaged(size - stream_.avail_out, Bzip2Reason(BZ_MEM_ERROR));
        }
        stream_.next_in = next;
        stream_.avail_in = left;
        betweenStreams_ = true;
      } else if (result != BZ_OK) {
        throw Damaged(size - stream_.avail_out, Bzip2Reason(result));
      }
    }
    return size - stream_.avail_out;
  }

  bz_stream stream_{};
  bool betweenStreams_ = true;
  bool ended_ = false;
};

const char* XzReason(lzma_ret result) {
  switch (result) {
    case LZMA_BUF_ERROR:
      return kCutShort;
    case LZMA_DATA_ERROR:
      return "compressed data is corrupt";
    case LZMA_FORMAT_ERROR:
      return "file format not recognized";
    case LZMA_OPTIONS_ERROR:
      return "unsupported compression options";
    case LZMA_MEM_ERROR:
      return "out of memory";
    default:
      return "the decompressor failed";
  }
}

// xz: liblzma, which goes through concatenated streams and their padding itself.
class XzBytes : public Decompressor {
 public:
  XzBytes(const FileDescriptor& file, const std::string& path, off_t size)
      : Decompressor(file, path, size) {
    if (lzma_stream_decoder(&stream_, UINT64_MAX, LZMA_CONCATENATED) != LZMA_OK) {
      throw Error::Unreadable(path + ": out of memory");
    }
  }
  ~XzBytes() override { lzma_end(&stream_); }

 private:
  std::size_t Decompress(char* into, std::size_t size) override {
    stream_.next_out = reinterpret_cast<uint8_t*>(into);
    stream_.avail_out = size;
    while (stream_.avail_out > 0 && !ended_) {
      if (stream_.avail_in == 0 && !inputEnded_) {
        const std::string_view input = NextInput();
        inputEnded_ = input.empty();
        stream_.next_in = reinterpret_cast<const uint8_t*>(input.data());
        stream_.avail_in = input.size();
      }
      if (inputEnded_ && NothingRead()) break;  // an empty file
      const lzma_ret result = lzma_code(&stream_, inputEnded_ ? LZMA_FINISH : LZMA_RUN);
      if (result == LZMA_STREAM_END) {
        ended_ = true;
      } else if (result != LZMA_OK) {
        throw Damaged(size - stream_.avail_out, XzReason(result));
      }
    }
    return size - stream_.avail_out;
  }

  lzma_stream stream_ = LZMA_STREAM_INIT;
  bool inputEnded_ = false;
  bool ended_ = false;
};

}  // namespace

std::optional<Compression> CompressionOf(std::string_view name) {
  for (std::size_t i = 0; i < std::size(kSuffixes); ++i) {
    if (name.size() > kSuffixes[i].size() && name.ends_with(kSuffixes[i])) {
      return static_cast<Compression>(i);
    }
  }
  return std::nullopt;
}

std::string_view WithoutCompressionSuffix(std::string_view name) {
  const std::optional<Compression> compression = CompressionOf(name);
  if (!compression) return name;
  return name.substr(0, name.size() - kSuffixes[static_cast<std::size_t>(*compression)].size());
}

std::unique_ptr<ByteSource> Decompressing(const FileDescriptor& file, const std::string& path,
                                          Compression compression) {
  struct stat st;
  if (::fstat(file.get(), &st) != 0) throw FileError(path, errno);
  // Like an mbox file, a compressed one is read as far as it went when reading began.
  switch (compression) {
    case Compression::Gzip:
      return std::make_unique<GzipBytes>(file, path, st.st_size);
    case Compression::Bzip2:
      return std::make_unique<Bzip2Bytes>(file, path, st.st_size);
    case Compression::Xz:
      return std::make_unique<XzBytes>(file, path, st.st_size);
  }
  throw Error::Unreadable(path + ": unknown compression");
}

bool IsCompressedMbox(const std::string& path, Compression compression) {
  FileDescriptor file = OpenForReading(path);
  if (file.get() < 0) return errno != ENOENT && errno != EISDIR && errno != EINVAL;
  try {
    const std::unique_ptr<ByteSource> bytes = Decompressing(file, path, compression);
    char start[5];
    std::size_t n = 0;
    for (std::size_t got; n < sizeof start && (got = bytes->Read(start + n, sizeof start - n));) {
      n += got;
    }
    return n == 0 || std::string_view(start, n) == "From ";
  } catch (const Error&) {
    return false;  // not what its name says, or cut short before any mail
  }
}

}  // namespace store::mbox
