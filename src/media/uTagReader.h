#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct TContentVerdict;

// Reads `size` bytes at `offset` of the open file, fewer at its end.
std::string ReadAt(int fd, int64_t offset, int64_t size);

// The whole size of an ID3v2 tag (header, frames and footer) from its header or footer of 10
// bytes (`mark` "ID3" or "3DI" first); 0 when these are neither.
int64_t Id3v2Size(std::string_view ten, std::string_view mark);

// The largest text of a compressed frame that is inflated: artists, titles and albums are
// short. A frame that would inflate past it is skipped, and a compressed frame of any other
// kind is never inflated at all, so that a tag's cost is bounded by its size on disk.
inline constexpr int64_t kLargestInflatedText = 64 * 1024;

// Fills in the artist, title and album the file's tags hold (ID3v2 at its start or its end,
// APE and ID3v1 at its end), where the verdict does not have them yet. The tag at the start
// has the first say.
void ReadTags(int fd, int64_t length, TContentVerdict& verdict);
