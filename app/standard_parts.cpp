#include "app/standard_parts.h"

#include "albums/album_flows.h"
#include "build_endpoints.h"
#include "signin/qr_sign_in.h"
#include "support/reencode_image.h"

namespace weibo {
namespace {

Endpoints BuildEndpoints() {
  Endpoints endpoints;
  endpoints.signon_host = WEIBO_BUILD_SIGNON_HOST;
  endpoints.main_host = WEIBO_BUILD_MAIN_HOST;
  endpoints.main_domain = WEIBO_BUILD_MAIN_DOMAIN;
  endpoints.photo_host = WEIBO_BUILD_PHOTO_HOST;
  endpoints.static_host = WEIBO_BUILD_STATIC_HOST;
  endpoints.author_profile_url = WEIBO_BUILD_AUTHOR_PROFILE_URL;
  endpoints.author_forum_url = WEIBO_BUILD_AUTHOR_FORUM_URL;
  return endpoints;
}

}  // namespace

ProgramParts StandardParts() {
  ProgramParts parts;
  parts.endpoints = BuildEndpoints();
  parts.start_imaging = [] { return StartImageCodecs(); };
  parts.flows.qr_sign_in = QrSignIn;
  InstallAlbumFlows(&parts.flows);
  return parts;
}

}  // namespace weibo
