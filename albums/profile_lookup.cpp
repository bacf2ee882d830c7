// StartProfileLookup: the lookup of a user as a chain of steps that alternate
// between the lookup workers (requests) and the user-interface thread
// (checks and the screen):
//   worker: profile page, then album list  ->  UI: post one task per cover
//   worker: one cover each, five at a time ->  UI (after the last): LoadAlbums
// Every step first checks that its lookup is still the latest one.
#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

#include "albums/album_list.h"
#include "albums/album_texts.h"
#include "albums/call_pool.h"

namespace weibo {
namespace {

// How many requests of one lookup run at once.
constexpr int kLookupWorkers = 5;

// One lookup on its way, shared by its steps. A step writes the listing
// before it hands over to the next step (through the pool's queue or a call
// posted to the user-interface thread, both of which order the memory); each
// cover task writes only its own icon slot.
struct Lookup {
  std::uint64_t serial = 0;
  std::weak_ptr<ProgramState> state;
  WindowOps* windows = nullptr;
  Shell* shell = nullptr;
  const Endpoints* endpoints = nullptr;
  Text profile_address;
  LookupDone done;
  bool quiet = false;  // no message for a page without the user's values
  AlbumListing listing;
  std::atomic<std::size_t> covers_left = 0;
};

using LookupPtr = std::shared_ptr<Lookup>;

// The program's state while `lookup` is the latest lookup; null once a newer
// one has started or the state is gone.
std::shared_ptr<ProgramState> StateIfLatest(const Lookup& lookup) {
  std::shared_ptr<ProgramState> state = lookup.state.lock();
  if (state == nullptr || state->lookup_serial.load() != lookup.serial) return nullptr;
  return state;
}

void PostToUi(const LookupPtr& lookup, void (*step)(const LookupPtr&)) {
  lookup->windows->PostToUiThread([lookup, step] { step(lookup); });
}

// User-interface thread: the page lacked the user's values.
void ReportProfileMissing(const LookupPtr& lookup) {
  if (StateIfLatest(*lookup) == nullptr) return;
  if (!lookup->quiet) lookup->windows->MessageBox(kProfileMissingText, kProfileMissingTitle, kMbOk);
  if (lookup->done) lookup->done(false);
}

// User-interface thread: every cover is in; the user becomes current.
void ShowListing(const LookupPtr& lookup) {
  std::shared_ptr<ProgramState> state = StateIfLatest(*lookup);
  if (state == nullptr) return;
  LoadAlbums(FlowContext{state, lookup->windows, lookup->shell, lookup->endpoints},
             std::move(lookup->listing));
  if (lookup->done) lookup->done(true);
}

// Worker: the icon of album `index`. An overtaken lookup asks for nothing
// more. The last cover to finish hands over to the user-interface thread.
void FetchCover(const LookupPtr& lookup, std::size_t index) {
  if (StateIfLatest(*lookup) != nullptr) {
    lookup->listing.icons[index] = CoverIcon(lookup->listing.albums[index].cover_address);
    // Decoding it for the view here, while other covers are still on their
    // way, keeps that work off the window's thread when the list is shown.
    lookup->windows->PrepareLargeIcon(lookup->listing.icons[index]);
  }
  if (lookup->covers_left.fetch_sub(1) == 1) PostToUi(lookup, ShowListing);
}

// User-interface thread: the user and the album list are in; one task per
// cover, which the pool's workers take five at a time.
void FetchCovers(const LookupPtr& lookup) {
  std::shared_ptr<ProgramState> state = StateIfLatest(*lookup);
  if (state == nullptr) return;
  const std::size_t count = lookup->listing.albums.size();
  lookup->listing.icons.assign(count, ByteArray());
  lookup->covers_left.store(count);
  if (count == 0) {
    ShowListing(lookup);
    return;
  }
  // The pool runs from the first lookup until the state is released.
  for (std::size_t i = 0; i < count; ++i) {
    PostCall(state->lookup_pool, [lookup, i] { FetchCover(lookup, i); });
  }
}

// Worker: the profile page, then, when it names the user, the album list.
void FindUser(const LookupPtr& lookup) {
  std::shared_ptr<ProgramState> state = StateIfLatest(*lookup);
  if (state == nullptr) return;
  ProfileValues user =
      FetchProfileValues(lookup->profile_address, &state->cookie_jar, &state->cookie_lock);
  if (!user.Complete()) {
    PostToUi(lookup, ReportProfileMissing);
    return;
  }
  if (StateIfLatest(*lookup) == nullptr) return;
  lookup->listing.albums =
      FetchAlbumRecords(*lookup->endpoints, user.user_id, &state->cookie_jar, &state->cookie_lock);
  lookup->listing.user = std::move(user);
  PostToUi(lookup, FetchCovers);
}

std::uint64_t StartLookup(const FlowContext& context, LookupDone done, bool quiet) {
  ProgramState& state = *context.state;
  auto lookup = std::make_shared<Lookup>();
  lookup->quiet = quiet;
  lookup->serial = state.lookup_serial.fetch_add(1) + 1;  // overtakes any running lookup
  lookup->state = context.state;
  lookup->windows = context.windows;
  lookup->shell = context.shell;
  lookup->endpoints = context.endpoints;
  lookup->profile_address = state.profile_address;
  lookup->done = std::move(done);
  StartCallPool(state.lookup_pool, kLookupWorkers);
  PostCall(state.lookup_pool, [lookup] { FindUser(lookup); });
  return lookup->serial;
}

}  // namespace

std::uint64_t StartProfileLookup(const FlowContext& context, LookupDone done) {
  return StartLookup(context, std::move(done), false);
}

std::uint64_t StartQuietProfileLookup(const FlowContext& context, LookupDone done) {
  return StartLookup(context, std::move(done), true);
}

bool ResolveProfile(const FlowContext& context) {
  auto ended = std::make_shared<std::optional<bool>>();
  const std::uint64_t serial =
      StartProfileLookup(context, [ended](bool found) { *ended = found; });
  // The pool's workers wake the user-interface thread only through posted
  // calls, which ProcessPendingMessages runs; a short sleep keeps the wait
  // from spinning.
  while (!ended->has_value() && context.state->lookup_serial.load() == serial) {
    context.windows->ProcessPendingMessages();
    if (!ended->has_value()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return ended->value_or(false);
}

}  // namespace weibo
