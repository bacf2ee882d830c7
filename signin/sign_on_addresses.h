// The addresses of the sign-on host's requests. Values are joined as they
// are, without URL encoding, over plain HTTP. Pure; any thread.
#pragma once

#include "support/text_rules.h"
#include "web/endpoints.h"

namespace weibo {

// The QR code request, with the bare millisecond `timestamp` as callback.
Text QrCodeAddress(const Endpoints& endpoints, const Text& timestamp);

// The status poll for `qrid`, with a callback stamp.
Text PollAddress(const Endpoints& endpoints, const Text& qrid, const Text& stamp);

// The login that redeems a confirmed code's `alt` for the main domain.
Text LoginAddress(const Endpoints& endpoints, const Text& alt, const Text& stamp);

}  // namespace weibo
