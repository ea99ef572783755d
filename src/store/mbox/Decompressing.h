#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "store/mbox/ByteSource.h"

namespace store::mbox {

// The compressions an mbox file may be kept in, each told by its file name's suffix.
enum class Compression { Gzip, Bzip2, Xz };

// The compression a file name ends in (".gz", ".bz2" or ".xz", after at least one character);
// nothing for any other name.
std::optional<Compression> CompressionOf(std::string_view name);
// The name without that suffix.
std::string_view WithoutCompressionSuffix(std::string_view name);

// The decompressed bytes of an open compressed file, from its start: every member of a gzip
// file, every stream of a bzip2 or xz file one after another, as the command-line tools give
// them; an empty file gives no bytes. The file is read a little at a time, never all at once.
// Throws Error::Unreadable saying "<path> is damaged after N bytes: <reason>" when the file is
// cut short or does not decompress, N counting the bytes it gave before.
std::unique_ptr<ByteSource> Decompressing(const reading::FileDescriptor& file,
                                          const std::string& path, Compression compression);

// Whether a compressed file holds an mbox: decompressed, it is empty or starts with "From ".
// Only its first few decompressed bytes are read. A file that cannot be opened counts too, so
// that reading its messages says why; one that has gone meanwhile, or is not a file, does not.
bool IsCompressedMbox(const std::string& path, Compression compression);

}  // namespace store::mbox
