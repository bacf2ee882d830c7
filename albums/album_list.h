// From a profile address to the user's id, nickname and album list, shown
// as icons in the main window; and the two shell actions of the commands.
//
// Threading: every function here is called on the user-interface thread and
// returns without waiting for the network, ResolveProfile excepted.
// StartProfileLookup hands the requests (profile page, album list, covers) to
// the state's lookup workers and shows the result later, from a call posted
// back to the user-interface thread; the window keeps handling events
// meanwhile, and downloads keep running on their own pool. The state the
// download tasks share (the cookie jar, the page counter) is shared safely;
// the current user's values belong to the user-interface thread, and download
// tasks carry their own copies.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "albums/album_list_fetch.h"
#include "flow/flow_hooks.h"
#include "support/text_rules.h"

namespace weibo {

// Runs on the user-interface thread when a lookup ends: `found` is true once
// the user's albums are shown, false once the message "onick or oid" has been
// answered.
using LookupDone = std::function<void(bool found)>;

// Starts looking up the user of state->profile_address and returns at once
// with the lookup's number (the new state->lookup_serial). Workers fetch the
// page with the shared cookie jar and take the user's id and nickname out of
// it; when both are there, they fetch the album list and then the covers,
// five at a time. Back on the user-interface thread:
//   - a page without either value shows the message "onick or oid" (title
//     "erro", OK, no icon) and changes nothing else: the current user (id,
//     nickname, title, download root, albums) stays as it was;
//   - otherwise LoadAlbums makes the new user current, all at once.
// A lookup started while another one runs overtakes it: the older one's
// requests stop where they are and its result, failure message included, is
// dropped. `done` (may be empty) runs at the end of a lookup that was not
// overtaken.
std::uint64_t StartProfileLookup(const FlowContext& context, LookupDone done = {});

// StartProfileLookup for a sign-in kept from an earlier run: a page without
// the user's values shows no message (the caller goes back to the sign-in);
// `done` runs with false then.
std::uint64_t StartQuietProfileLookup(const FlowContext& context, LookupDone done);

// StartProfileLookup, then handles the window events (ProcessPendingMessages,
// which runs the calls posted to the user-interface thread) until the lookup
// has ended. True when the user was found and listed; false when not, or
// when a newer lookup overtook this one meanwhile. For callers that need the
// result before going on; the program itself never waits.
bool ResolveProfile(const FlowContext& context);

// What a lookup found: the user, the first 64 albums in reply order, and one
// icon per album in the same order.
struct AlbumListing {
  ProfileValues user;
  std::vector<AlbumRecord> albums;
  std::vector<ByteArray> icons;
};

// Makes `listing` the current user: stores the id and nickname, sets the main
// window's title to nickname + " - 微相册", creates the user's download root
// (HaveDownloadRoot),
// replaces the album table and the icon list (an album without an icon gets
// the placeholder), resets the page counter, empties the album view and fills
// it again. Returns the number of albums listed.
int LoadAlbums(const FlowContext& context, AlbumListing listing);

// Makes sure the current user has a download root: when state->download_root
// is empty, chooses the run folder (download_root_choice.h), sets the root to
// the run folder + "\" + nickname + " - 微相册" (made a safe folder name) and
// creates it. When no folder is usable, the root stays empty, a message box
// names the folders tried, nothing is written and false is returned.
bool HaveDownloadRoot(const FlowContext& context);

// Shows state->album_table in the album view: the icon list, then one item
// per album labelled caption + "_" + photo count + "张" with the album's own
// icon. Returns the number of albums.
int FillAlbumView(const FlowContext& context);

// Asks for a profile address with an example; on confirmation stores the
// text unchanged as state->profile_address and starts the lookup. Cancel
// changes nothing.
void AskForProfile(const FlowContext& context);

// Shows the current user's download root selected in the file manager;
// nothing before a user has been resolved.
void ShowDownloads(const FlowContext& context);

// Opens `address` in the default browser.
void OpenInBrowser(const FlowContext& context, const Text& address);

}  // namespace weibo
