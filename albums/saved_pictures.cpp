#include "albums/saved_pictures.h"

#include <string>

namespace weibo {

SavedPictures SavedPictures::Parse(const ByteArray& content) {
  SavedPictures saved;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = content.find('\n', start);
    if (end == ByteArray::npos) break;  // no line end: cut short
    const std::string_view line(content.data() + start, end - start);
    start = end + 1;
    const std::size_t first_tab = line.find('\t');
    const std::size_t second_tab =
        first_tab == std::string_view::npos ? first_tab : line.find('\t', first_tab + 1);
    if (second_tab == std::string_view::npos || second_tab + 1 == line.size()) continue;
    const std::string_view count = line.substr(first_tab + 1, second_tab - first_tab - 1);
    if (count.empty() || count.size() > 19 ||
        count.find_first_not_of("0123456789") != std::string_view::npos) {
      continue;
    }
    Entry entry{Text(line.substr(0, first_tab)), std::stoull(std::string(count))};
    saved.entries_[Text(line.substr(second_tab + 1))] = std::move(entry);
  }
  return saved;
}

ByteArray SavedPictures::Line(const Text& file_name, const Text& size_segment,
                              std::uint64_t byte_count) {
  return size_segment + "\t" + std::to_string(byte_count) + "\t" + file_name + "\n";
}

bool SavedPictures::IsSavedComplete(const Text& file_name, const Text& size_segment,
                                    std::optional<std::uint64_t> size_on_disk) const {
  const auto found = entries_.find(file_name);
  return found != entries_.end() && size_on_disk && found->second.size_segment == size_segment &&
         found->second.byte_count == *size_on_disk;
}

}  // namespace weibo
