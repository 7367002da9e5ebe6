// Compressed drawings (".VLZ"): a 32-byte signature header ("CMP-VLD" padded
// with NUL bytes) followed by an LHA -lh5- stream of the file's bytes: LZSS
// over an 8 KB dictionary, matches of 3..256 bytes, static Huffman codes sent
// per block, bits most significant first. The stream has no length and no
// checksum; it ends with the file.
//
// The decoder checks everything it can: table sizes, code lengths that do not
// form a complete prefix code, zero runs past the table, matches reaching
// before the start of the output, a stream cut inside a block and non-zero
// padding at its end. A damaged stream is reported as a failure, never
// returned as data, unless the caller of DecompressFile asks for what came
// before the damage. Its work and memory are bounded for any input: memory by
// fixed buffers (and by the output limit for the in-memory decoder), time by
// the input length and the output limit.
//
// Files are written to a temporary file in the target's folder and renamed
// over the target only when complete, so a failure leaves an existing target
// as it was. Reasons for failures are CP932 texts for a message box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Size of the signature header in front of the stream.
constexpr std::size_t kCompressHeaderSize = 32;
// The signature of compressed drawings.
inline constexpr std::string_view kVlzSignature = "CMP-VLD";
// The most bytes a decoder produces before it gives up: the format can expand
// a few bytes to megabytes, so a small damaged or hostile file must not fill
// the disk or the memory.
constexpr std::uint64_t kLh5MaxOutput = std::uint64_t{1} << 31;

// Bytes of a text, for the functions below.
inline std::span<const unsigned char> ByteSpan(std::string_view s) {
  return {reinterpret_cast<const unsigned char*>(s.data()), s.size()};
}

// The -lh5- stream of data (no header). Empty data gives an empty stream.
std::vector<unsigned char> Lh5Encode(std::span<const unsigned char> data);

// Decodes a whole -lh5- stream into out (replaced). False, with out emptied
// and *reason set when given, for a damaged stream or one that would produce
// more than maxOutput bytes.
bool Lh5Decode(std::span<const unsigned char> stream, std::vector<unsigned char>& out,
               std::string* reason = nullptr, std::uint64_t maxOutput = kLh5MaxOutput);

// The header for a signature: its text up to the first NUL, at most 32 bytes,
// padded with NUL bytes to 32.
std::vector<unsigned char> CompressHeader(std::string_view signature);

// Header and stream of data, as CompressFile writes them.
std::vector<unsigned char> CompressBytes(std::string_view signature,
                                         std::span<const unsigned char> data);

// Reverses CompressBytes. False (out emptied, *reason set) when the data is
// shorter than the header, its header text (up to the first NUL) differs from
// the signature, or the stream is damaged.
bool DecompressBytes(std::string_view signature, std::span<const unsigned char> file,
                     std::vector<unsigned char>& out, std::string* reason = nullptr,
                     std::uint64_t maxOutput = kLh5MaxOutput);

// Compresses the file source into target (replaced) under the signature.
// Returns the number of bytes written to target, header included; 0 when the
// source does not exist or cannot be read or the target cannot be written, in
// which case target is left as it was (not created when it did not exist).
std::uint64_t CompressFile(std::string_view signature, const std::filesystem::path& target,
                           const std::filesystem::path& source, std::string* reason = nullptr);

// Decompresses source into target (replaced). False, with target left as it
// was, when the source does not exist or cannot be read, its header differs
// from the signature, its stream is damaged or the target cannot be written.
// With damaged given, a damaged stream that decoded some bytes before its
// damage showed is no failure: those bytes are the target, *damaged is set
// and so is *reason. (The last of them may be wrong when the damage is a
// changed bit rather than a cut: nothing in the stream can tell.) A stream
// that would produce more than maxOutput bytes is a failure.
bool DecompressFile(std::string_view signature, const std::filesystem::path& target,
                    const std::filesystem::path& source, std::string* reason = nullptr,
                    bool* damaged = nullptr, std::uint64_t maxOutput = kLh5MaxOutput);

// The Huffman code lengths the encoder builds: lengths[i] for the symbols of
// freq, 0 for an unused symbol, none above maxBits, forming a complete prefix
// code when two or more symbols are used; a single used symbol gets length 0
// (it is sent as the table's only value). 2^maxBits must be at least the
// number of used symbols. Exposed for its tests.
void Lh5CodeLengths(std::span<const std::uint32_t> freq, std::span<std::uint8_t> lengths,
                    int maxBits);
