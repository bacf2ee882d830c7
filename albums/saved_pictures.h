// The record beside an album's pictures of which pictures were saved
// complete, and in which size, so that downloading the album again fetches
// only what is missing. It is a text file in the album folder with one line
// per saved picture: size segment, TAB, byte count, TAB, file name, LF.
// Lines are appended as pictures are saved; a later line for a name wins, and
// a line cut short by an ended process is ignored.
//
// Threading: a SavedPictures object is read-only once parsed, so any number
// of threads may query it at once.
#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "support/text_rules.h"

namespace weibo {

// The record's file name in the album folder.
inline constexpr char kSavedPicturesFileName[] = ".saved-pictures";

class SavedPictures {
 public:
  // Reads a record's content; lines that are not whole records are skipped.
  static SavedPictures Parse(const ByteArray& content);
  // The line that records `file_name` saved with `byte_count` bytes in
  // `size_segment`.
  static ByteArray Line(const Text& file_name, const Text& size_segment,
                        std::uint64_t byte_count);

  // True when the record has a line for `file_name`, in any size.
  bool Lists(const Text& file_name) const { return entries_.count(file_name) > 0; }

  // True when `file_name` was saved complete in `size_segment` and the file
  // on disk, of `size_on_disk` bytes (empty: no file), still has that size.
  bool IsSavedComplete(const Text& file_name, const Text& size_segment,
                       std::optional<std::uint64_t> size_on_disk) const;

 private:
  struct Entry {
    Text size_segment;
    std::uint64_t byte_count = 0;
  };
  std::map<Text, Entry> entries_;
};

}  // namespace weibo
