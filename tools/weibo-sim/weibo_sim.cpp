#include "tools/weibo-sim/weibo_sim.h"

#include "tools/weibo-sim/service.h"

namespace weibo::sim {
namespace {

struct Port {
  unsigned roles;
  std::unique_ptr<SimHttpServer> server;
  Text host;
};

Text RoleNames(unsigned roles) {
  static const std::pair<unsigned, const char*> kNames[] = {
      {kSignOnRole, "sign-on"}, {kMainRole, "main"},     {kPhotoRole, "photo"},
      {kStaticRole, "static"},  {kPictureRole, "pictures"},
  };
  Text names;
  for (const auto& [bit, name] : kNames) {
    if (roles & bit) names += (names.empty() ? "" : ", ") + Text(name);
  }
  return names;
}

void RegisterRoutes(SimHttpServer& server, ServiceState& state, unsigned roles) {
  if (roles & kSignOnRole) {
    AddSignOnRoutes(server, state);
    AddPhoneRoutes(server, state);
    AddRevokeRoute(server, state);
  }
  AddVisitRoutes(server, state, roles);
  if (roles & kMainRole) AddMainRoutes(server, state);
  if (roles & kPhotoRole) AddPhotoRoutes(server, state);
  if (roles & kStaticRole) AddStaticRoutes(server, state);
  // Last: its pattern would also match the other roles' two-part paths.
  if (roles & kPictureRole) AddPictureRoutes(server, state);
  AddNotFoundRoutes(server, state);
}

}  // namespace

struct WeiboSim::Impl {
  explicit Impl(const SimOptions& options) : state(options) {}

  ServiceState state;
  std::vector<Port> ports;
  Endpoints endpoints;
  Text error;
  bool started = false;
};

WeiboSim::WeiboSim(SimOptions options) : impl_(std::make_unique<Impl>(options)) {}

WeiboSim::~WeiboSim() { Stop(); }

bool WeiboSim::Start() {
  Impl& impl = *impl_;
  ServiceState& state = impl.state;
  const SimOptions& options = state.options;
  if (impl.started) {
    impl.error = "already started";
    return false;
  }
  if (!options.signin_uid.empty() && !state.data.FindUser(options.signin_uid)) {
    impl.error = "no user with the id " + options.signin_uid;
    return false;
  }
  std::vector<unsigned> layout = {kAllRoles};
  if (options.separate_hosts) {
    layout = {kSignOnRole, kMainRole, kPhotoRole, kStaticRole, kPictureRole, kPictureRole};
  }
  for (std::size_t i = 0; i < layout.size(); ++i) {
    Port port{layout[i], std::make_unique<SimHttpServer>(), Text()};
    int wanted = options.port == 0 ? 0 : options.port + static_cast<int>(i);
    int bound = port.server->Bind(wanted);
    if (bound <= 0) {
      impl.error = "cannot bind 127.0.0.1:" + std::to_string(wanted);
      impl.ports.clear();
      return false;
    }
    port.host = "127.0.0.1:" + std::to_string(bound);
    impl.ports.push_back(std::move(port));
  }
  for (const Port& port : impl.ports) {
    if (port.roles & kSignOnRole) state.signon_host = port.host;
    if (port.roles & kMainRole) state.main_host = port.host;
    if (port.roles & kPhotoRole) state.photo_host = port.host;
    if (port.roles & kStaticRole) state.static_host = port.host;
    if (port.roles & kPictureRole) state.picture_hosts.push_back(port.host);
  }
  for (Port& port : impl.ports) RegisterRoutes(*port.server, state, port.roles);
  for (Port& port : impl.ports) {
    if (!port.server->Listen()) {
      impl.error = "cannot serve " + port.host;
      Stop();
      return false;
    }
  }
  impl.endpoints = Endpoints{state.signon_host,
                             state.main_host,
                             state.main_domain(),
                             state.photo_host,
                             state.static_host,
                             "http://" + state.main_host + "/u/" + kAuthorUid,
                             "http://" + state.main_host + "/forum"};
  impl.started = true;
  return true;
}

void WeiboSim::Stop() {
  for (Port& port : impl_->ports) port.server->Shutdown();
}

const Text& WeiboSim::error() const { return impl_->error; }
const Endpoints& WeiboSim::endpoints() const { return impl_->endpoints; }

std::vector<std::pair<Text, Text>> WeiboSim::Hosts() const {
  std::vector<std::pair<Text, Text>> hosts;
  for (const Port& port : impl_->ports) hosts.emplace_back(RoleNames(port.roles), port.host);
  return hosts;
}

std::vector<Text> WeiboSim::Qrids() const { return impl_->state.sign_on.Qrids(); }

Text WeiboSim::LatestQrid() const {
  std::vector<Text> qrids = Qrids();
  return qrids.empty() ? Text() : qrids.back();
}

QrState WeiboSim::State(const Text& qrid) const { return impl_->state.sign_on.State(qrid); }
bool WeiboSim::Scan(const Text& qrid) { return impl_->state.sign_on.Scan(qrid); }

bool WeiboSim::Confirm(const Text& qrid, const Text& uid) {
  if (!uid.empty() && !impl_->state.data.FindUser(uid)) return false;
  return impl_->state.sign_on.Confirm(qrid, uid);
}

bool WeiboSim::Expire(const Text& qrid) { return impl_->state.sign_on.Expire(qrid); }
Text WeiboSim::PhoneUrl(const Text& qrid) const { return impl_->state.PhoneUrl(qrid); }

CookieList WeiboSim::SignedInCookies(const Text& uid) { return impl_->state.sign_on.MintSession(uid); }

int WeiboSim::Revoke(const Text& uid) { return impl_->state.sign_on.Revoke(uid); }

CookieList WeiboSim::LatestSessionCookies() const {
  return impl_->state.sign_on.LatestSessionCookies();
}

std::optional<Text> WeiboSim::SignedInUser(const CookieList& cookies, Role role) const {
  return impl_->state.sign_on.SignedInUser(cookies, role);
}

Text WeiboSim::CookieHeader(const CookieList& cookies) {
  Text header;
  for (const auto& [name, value] : cookies) {
    if (!header.empty()) header += "; ";
    header += name + "=" + value;
  }
  return header;
}

std::vector<RequestRecord> WeiboSim::Requests() const { return impl_->state.log.Snapshot(); }
void WeiboSim::ClearRequests() { impl_->state.log.Clear(); }
const DataSet& WeiboSim::data() const { return impl_->state.data; }

Text WeiboSim::signin_uid() const {
  const SimOptions& options = impl_->state.options;
  return options.signin_uid.empty() ? impl_->state.data.default_uid() : options.signin_uid;
}

ByteArray WeiboSim::PictureBytes(std::string_view size_segment, std::string_view pic_name) const {
  if (!impl_->state.picture_names.count(Text(pic_name))) return {};
  std::optional<Picture> picture = impl_->state.pictures.Render(size_segment, pic_name);
  return picture ? picture->bytes : ByteArray();
}

Text WeiboSim::PictureUrl(const Photo& photo, std::string_view size_segment) const {
  return impl_->state.PictureHostUrl(photo) + "/" + Text(size_segment) + "/" + photo.pic_name;
}

ByteArray WeiboSim::PlaceholderBytes() const { return impl_->state.pictures.Placeholder(); }

}  // namespace weibo::sim
