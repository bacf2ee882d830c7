// Closes a top-level window the way a window manager's close button does:
// waits until a window whose title ends in the given text (UTF-8) appears on
// the X display, then sends it WM_DELETE_WINDOW, again every two seconds
// while it is still there (a request that arrives while the program is busy
// may go unanswered, as a user would click again). Under Xvfb there is no
// window manager to do it. Exits 0 once the window is gone, 1 when no such
// window appears, or it does not go, within the time limit.
//
//   x11-close-window TITLE_END TIME_LIMIT_MS
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  Reply<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(connection,
                            xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
                            nullptr),
      &std::free);
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

std::string Title(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                  xcb_atom_t type) {
  Reply<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(
          connection, xcb_get_property(connection, 0, window, property, type, 0, 1024), nullptr),
      &std::free);
  if (!reply) return std::string();
  const int length = xcb_get_property_value_length(reply.get());
  return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                     static_cast<std::size_t>(length));
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 64;
  const std::string title_end = argv[1];
  const auto limit = std::chrono::milliseconds(std::atoi(argv[2]));
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) return 1;
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  const xcb_atom_t net_name = Atom(connection, "_NET_WM_NAME");
  const xcb_atom_t utf8 = Atom(connection, "UTF8_STRING");
  const xcb_atom_t protocols = Atom(connection, "WM_PROTOCOLS");
  const xcb_atom_t delete_window = Atom(connection, "WM_DELETE_WINDOW");

  const auto start = std::chrono::steady_clock::now();
  bool sent = false;
  auto last_sent = start;
  while (std::chrono::steady_clock::now() - start < limit) {
    Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr), &std::free);
    const int count = tree ? xcb_query_tree_children_length(tree.get()) : 0;
    const xcb_window_t* children = tree ? xcb_query_tree_children(tree.get()) : nullptr;
    xcb_window_t target = XCB_WINDOW_NONE;
    for (int i = 0; i < count && target == XCB_WINDOW_NONE; ++i) {
      if (EndsWith(Title(connection, children[i], net_name, utf8), title_end)) target = children[i];
    }
    const auto now = std::chrono::steady_clock::now();
    if (target == XCB_WINDOW_NONE && sent) {
      xcb_disconnect(connection);
      return 0;
    }
    if (target != XCB_WINDOW_NONE && (!sent || now - last_sent > std::chrono::seconds(2))) {
      xcb_client_message_event_t message{};
      message.response_type = XCB_CLIENT_MESSAGE;
      message.format = 32;
      message.window = target;
      message.type = protocols;
      message.data.data32[0] = delete_window;
      message.data.data32[1] = XCB_CURRENT_TIME;
      xcb_send_event(connection, 0, target, XCB_EVENT_MASK_NO_EVENT,
                     reinterpret_cast<const char*>(&message));
      xcb_flush(connection);
      sent = true;
      last_sent = now;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  xcb_disconnect(connection);
  return 1;
}
