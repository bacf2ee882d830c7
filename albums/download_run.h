// A round of downloads as the user steers it: its start, and the stop that
// ends it early.
//
// A round runs from the first album queued while nothing downloads until
// every task has ended. A stop raises the state's stop serial: every task
// of an album queued before it ends without a further request (running
// transfers are cancelled through their body sink, waiting ones drop out
// when their time comes), pictures saved so far stay in their album's
// record, and the status bar says how many pictures the round saved.
//
// Threading: BeginRound and StopDownloads run on the user-interface thread;
// JobStopped on any thread.
#pragma once

#include "albums/album_download.h"
#include "flow/flow_hooks.h"

namespace weibo {

// True once the downloads were stopped after `job` was queued.
bool JobStopped(const ProgramState& state, const AlbumJob& job);

// Called before an album is queued: starts a new round when none runs
// (its failed count, saved base and picture total start afresh), ends the
// stopped text and enables the stop command.
void BeginRound(const FlowContext& context);

// The stop command: does nothing while nothing downloads. Otherwise stops
// every queued album, disables the stop command and shows the stopped text.
void StopDownloads(const FlowContext& context);

}  // namespace weibo
