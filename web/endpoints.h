// Where the service lives. Every flow that talks to the service takes one of
// these values instead of reading build settings, so a test can point all of
// them at a loopback server. A host may carry a port ("127.0.0.1:8960").
#pragma once

#include "support/text_rules.h"

namespace weibo {

struct Endpoints {
  Text signon_host;         // QR code, status poll and login requests
  Text main_host;           // profile pages
  Text main_domain;         // sent as "domain=" with the login request
  Text photo_host;          // album and photo lists
  Text static_host;         // the cover placeholder picture
  Text author_profile_url;  // page opened by the about command
  Text author_forum_url;    // page opened by the feedback command
};

}  // namespace weibo
