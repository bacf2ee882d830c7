// The content of an album folder's list of failed downloads (one address
// per line, CR LF line ends) after a run of the album.
//
// A run that could not list every page of the album did not try every
// picture, so the pictures the old list names that this run did not try
// stay listed: a list is only ever replaced by a run that tried its
// pictures. Addresses of photo-list pages from the old list always go; this
// run asked every page anew and lists its own failed pages.
//
// Pure; any thread.
#pragma once

#include <set>
#include <vector>

#include "support/text_rules.h"

namespace weibo {

// The new list: `failures` (this run's, in order), then, when
// `every_page_listed` is false, the picture addresses of `old_list` that are
// not in `tried` and not among `failures`. Empty when nothing is listed.
ByteArray MergedFailureList(const ByteArray& old_list, const std::vector<Text>& failures,
                            const std::set<Text>& tried, bool every_page_listed);

}  // namespace weibo
