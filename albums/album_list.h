// From a profile address to the user's id, nickname and album list, shown
// as icons in the main window; and the two shell actions of the commands.
//
// Threading: every function runs on the user-interface thread and blocks it
// for its network requests. The state they write that download tasks also
// use (the cookie jar, the page counter) is shared safely; the rest belongs
// to the user-interface thread, and download tasks carry their own copies.
#pragma once

#include "flow/flow_hooks.h"
#include "support/text_rules.h"

namespace weibo {

// The album list asks for this many albums, and at most this many are shown.
inline constexpr int kMaxAlbums = 64;

// Fetches the page at state->profile_address with the shared cookie jar and
// takes the user's id and nickname out of it (both stored, also when empty).
// When either is empty, shows the message "onick or oid" (title "erro", OK,
// no icon) and returns false, changing nothing else. Otherwise runs
// LoadAlbums and returns true.
bool ResolveProfile(const FlowContext& context);

// For state->user_id and state->nickname: sets the main window's title to
// nickname + " - 微相册", creates the user's download root in the run
// directory (named after the title, made a safe folder name), empties the
// album view, the album table and the icon list, resets the page counter,
// fetches the first 64 albums and loads one cover icon per album (a
// placeholder picture when the cover cannot be had), then fills the view.
// Returns the number of albums listed. Request failures give an empty list.
int LoadAlbums(const FlowContext& context);

// Shows state->album_table in the album view: the icon list, then one item
// per album labelled caption + "_" + photo count + "张" with the album's own
// icon. Returns the number of albums.
int FillAlbumView(const FlowContext& context);

// Asks for a profile address with an example; on confirmation stores the
// text unchanged as state->profile_address and runs ResolveProfile. Cancel
// changes nothing.
void AskForProfile(const FlowContext& context);

// Shows the current user's download root selected in the file manager;
// nothing before a user has been resolved.
void ShowDownloads(const FlowContext& context);

// Opens `address` in the default browser.
void OpenInBrowser(const FlowContext& context, const Text& address);

}  // namespace weibo
