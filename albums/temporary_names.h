// The names of the hidden temporary files that replacements write before
// renaming them over their target.
#pragma once

#include <filesystem>
#include <string>

namespace weibo {

// A name beside `target` that no other writer of this process uses at the
// same time: "." + name + "." + number + ".part". The leading dot hides it
// where files starting with a dot are hidden.
std::filesystem::path TemporaryPathFor(const std::filesystem::path& target);

// True for a file name TemporaryPathFor makes.
bool IsTemporaryName(const std::string& name);

}  // namespace weibo
